#!/usr/bin/perl
# Turns the guide's pictures (8-bit RGB PNG files, as scripts/guide-screenshots
# writes them) into one-page PDF files that gropdf can place with its pdfpic
# command, and writes a groff file that names each one with its pixel size:
#
#   perl pictures.pl OUTPUT_DIR PICTURE.png...
#
# OUTPUT_DIR/NAME.pdf for each picture and OUTPUT_DIR/pictures.ms with, per
# picture, ".ds pic-NAME PATH", ".nr pic-NAME-w WIDTH" and ".nr pic-NAME-h
# HEIGHT". The PNG's compressed rows go into the PDF as they are: PDF's PNG
# predictors undo the row filters, so nothing is decoded here.
use strict;
use warnings;
use File::Basename;
use Cwd qw(abs_path);

die "usage: pictures.pl OUTPUT_DIR PICTURE.png...\n" if @ARGV < 1;
my $out = abs_path(shift @ARGV) or die "the output folder must exist\n";
# gropdf reads the picture's path up to the first blank.
die "$out: the guide's pictures need a build folder without blanks in its path\n" if $out =~ /\s/;
my $defs = '';

for my $png (sort @ARGV) {
  my ($name) = fileparse($png, '.png');
  die "$png: a picture's name is letters, digits and '-'\n" unless $name =~ /^[A-Za-z0-9-]+$/;
  my ($width, $height, $rows) = ReadPng($png);
  my $pdf = "$out/$name.pdf";
  WritePdf($pdf, $width, $height, $rows);
  $defs .= ".ds pic-$name $pdf\n.nr pic-$name-w $width\n.nr pic-$name-h $height\n";
}
WriteFile("$out/pictures.ms", $defs);

# Width, height and the concatenated IDAT data of an 8-bit RGB PNG without
# interlacing; anything else is refused.
sub ReadPng {
  my ($path) = @_;
  open(my $in, '<:raw', $path) or die "$path: $!\n";
  local $/;
  my $bytes = <$in>;
  close($in);
  die "$path: not a PNG file\n" unless substr($bytes, 0, 8) eq "\x89PNG\r\n\x1a\n";
  my ($width, $height, $rows) = (0, 0, '');
  my $at = 8;
  while ($at + 12 <= length($bytes)) {
    my ($length, $type) = unpack('Na4', substr($bytes, $at, 8));
    die "$path: a chunk runs past the end\n" if $at + 12 + $length > length($bytes);
    my $data = substr($bytes, $at + 8, $length);
    if ($type eq 'IHDR') {
      my ($depth, $colour, $compression, $filter, $interlace);
      ($width, $height, $depth, $colour, $compression, $filter, $interlace) =
          unpack('NNCCCCC', $data);
      die "$path: not 8-bit RGB without interlacing (save it as PNG24)\n"
          unless $depth == 8 && $colour == 2 && $interlace == 0;
    } elsif ($type eq 'IDAT') {
      $rows .= $data;
    } elsif ($type eq 'IEND') {
      last;
    }
    $at += 12 + $length;
  }
  die "$path: no image data\n" unless $width > 0 && $height > 0 && length($rows) > 0;
  return ($width, $height, $rows);
}

# One page the size of the picture at 144 pixels per inch, the picture on it.
sub WritePdf {
  my ($path, $width, $height, $rows) = @_;
  my ($w, $h) = ($width / 2, $height / 2);
  my $content = "q $w 0 0 $h 0 0 cm /Im1 Do Q\n";
  my @objects = (
    "<< /Type /Catalog /Pages 2 0 R >>",
    "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 $w $h] "
        . "/Resources << /XObject << /Im1 4 0 R >> >> /Contents 5 0 R >>",
    "<< /Type /XObject /Subtype /Image /Width $width /Height $height /ColorSpace /DeviceRGB "
        . "/BitsPerComponent 8 /Filter /FlateDecode /DecodeParms << /Predictor 15 /Colors 3 "
        . "/BitsPerComponent 8 /Columns $width >> /Length " . length($rows) . " >>\nstream\n"
        . $rows . "\nendstream",
    "<< /Length " . length($content) . " >>\nstream\n" . $content . "endstream",
  );
  my $pdf = "%PDF-1.4\n";
  my @offsets;
  for my $i (0 .. $#objects) {
    push @offsets, length($pdf);
    $pdf .= ($i + 1) . " 0 obj\n$objects[$i]\nendobj\n";
  }
  my $xref = length($pdf);
  $pdf .= "xref\n0 " . (@objects + 1) . "\n0000000000 65535 f \n";
  $pdf .= sprintf("%010d 00000 n \n", $_) for @offsets;
  $pdf .= "trailer\n<< /Size " . (@objects + 1) . " /Root 1 0 R >>\nstartxref\n$xref\n%%EOF\n";
  WriteFile($path, $pdf);
}

# Writes beside the name first, so a failed run never leaves half a file.
sub WriteFile {
  my ($path, $bytes) = @_;
  open(my $f, '>:raw', "$path.part") or die "$path.part: $!\n";
  print $f $bytes or die "$path.part: $!\n";
  close($f) or die "$path.part: $!\n";
  rename("$path.part", $path) or die "$path: $!\n";
}

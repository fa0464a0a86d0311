#pragma once

#include <QIcon>

namespace padscope {

// The toolbar's 32 x 32 image for a command, drawn by hand in one consistent
// style: the normal image and a brighter hot one for the pointer-over state
// (QIcon::Active). A command without an image gives a null icon.
QIcon ToolbarIcon(int commandId);

// The program's own icon (window, About box): a touch key with its waveform,
// drawn at 16, 32, 48 and 64 pixels.
QIcon ProgramIcon();
// The same drawn at `size` x `size` pixels (the desktop's icon theme files).
QPixmap ProgramIconPixmap(int size);

}  // namespace padscope

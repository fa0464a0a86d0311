// The report writers over the known recording's figures.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <cstdio>
#include <sstream>

#include "analysis/Analysis.h"
#include "analysis/AnalysisReport.h"
#include "capture/CaptureContext.h"
#include "common/ChartBuilder.h"
#include "files/ChartFile.h"

namespace padscope {
namespace {

// The known recording's first three channels, guard 2, thresholds 20.
class AnalysisReport : public ::testing::Test {
 protected:
  void SetUp() override {
    test::Bytes bytes = test::KnownRecording().Records();
    ASSERT_TRUE(ctx_.AllocateFrames(1024));
    std::FILE* in = fmemopen(bytes.data(), bytes.size(), "rb");
    ChartReadHooks hooks;
    ReadChartRecords(in, ctx_, 1, hooks);
    std::fclose(in);
    AnalysisOptions o;
    o.guard = 2;
    o.channels = 0b111;
    std::array<int32_t, kAnalysisChannels> thresholds{};
    thresholds.fill(20);
    o.thresholds = thresholds;
    o.plotColumns = 50;
    result = AnalyzeBuffer(ctx_, 0, 1000, o);
    inputs.source = "bench \"B\".tkchart";
  }

  CaptureContext ctx_;
  AnalysisResult result;
  ReportInputs inputs;
};

TEST_F(AnalysisReport, Csv) {
  EXPECT_EQ(FormatAnalysisReport(result, ReportFormat::Csv, inputs),
            "channel,idle_mean,noise,signal,snr,recommended_threshold,threshold,"
            "false_touch_margin,detection_margin,raw_baseline,raw_noise,raw_signal,touches,"
            "verdict\n"
            "0,5.00,2,45.00,22.50,28,20,14,28,990.00,4,-90.00,1,pass\n"
            "1,10.00,0,30.00,inf,25,20,10,20,2010.00,0,30.00,1,pass\n"
            "2,0.00,0,,,,20,20,,500.00,0,,0,untouched\n");
}

TEST_F(AnalysisReport, TextTableThenFlaggedPairs) {
  const std::string text = FormatAnalysisReport(result, ReportFormat::Text, inputs);
  std::istringstream lines(text);
  std::string line;
  size_t verdictColumn = std::string::npos;
  int rows = 0;
  while (std::getline(lines, line)) {
    if (line.rfind("ch ", 0) == 0) {
      verdictColumn = line.find("verdict");
    } else if (line.rfind("CH", 0) == 0) {
      ++rows;
      EXPECT_EQ(line.find_first_of("pu", line.find_last_of(' ')), verdictColumn) << line;
    }
  }
  EXPECT_EQ(rows, 3);
  EXPECT_NE(text.find("crosstalk above 20.0 %:\n  CH0 -> CH2: 12.00 (26.7 % of the touched "
                      "key's signal)\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("CH0 -> CH1"), std::string::npos);
}

TEST_F(AnalysisReport, JsonCarriesInputsFiguresAndMatrix) {
  const std::string json = FormatAnalysisReport(result, ReportFormat::Json, inputs);
  for (const char* part : {"\"file\": \"bench \\\"B\\\".tkchart\"", "\"guard\": 2",
                           "\"min_snr\": 5.00", "\"snr\": \"inf\"", "\"idle_max\": 6",
                           "\"detection_margin\": null", "\"verdict\": \"untouched\"",
                           "\"flagged\": [{\"touched\": 0, \"affected\": 2, \"percent\": 26.7}]",
                           "[null, 20.0, 26.7]"}) {
    EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;
  }
}

TEST_F(AnalysisReport, HtmlIsOneWellFormedPageWithoutOutsideReferences) {
  inputs.label = [](int channel) { return "K<" + std::to_string(channel) + ">&"; };
  const std::string html = FormatAnalysisReport(result, ReportFormat::Html, inputs);
  tinyxml2::XMLDocument doc;
  ASSERT_EQ(doc.Parse(html.c_str(), html.size()), tinyxml2::XML_SUCCESS) << doc.ErrorStr();
  ASSERT_NE(doc.RootElement(), nullptr);
  EXPECT_STREQ(doc.RootElement()->Name(), "html");
  for (const char* outside : {"<script", "href=", "src=", "url(", "@import"}) {
    EXPECT_EQ(html.find(outside), std::string::npos) << outside;
  }
  size_t plots = 0;
  for (size_t at = 0; (at = html.find("<svg ", at)) != std::string::npos; ++at) {
    ++plots;
  }
  EXPECT_EQ(plots, 3u);
  EXPECT_NE(html.find("<td class=\"l pass\">pass</td>"), std::string::npos);
  EXPECT_NE(html.find("<td class=\"l untouched\">untouched</td>"), std::string::npos);
  EXPECT_NE(html.find("class=\"flag\">26.7 %</td>"), std::string::npos);
  EXPECT_NE(html.find("K&lt;2&gt;&amp;"), std::string::npos);
}

}  // namespace
}  // namespace padscope

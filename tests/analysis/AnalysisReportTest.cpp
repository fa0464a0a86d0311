// The report writers over the known recording's figures.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "analysis/Analysis.h"
#include "analysis/AnalysisReport.h"
#include "capture/CaptureContext.h"
#include "common/Files.h"
#include "common/ScenarioRecording.h"

namespace padscope {
namespace {

// A weak key the chip misses, a key behind a noise gate (output SNR
// infinite) that false-touches on spikes, and an untouched key.
class AnalysisReport : public ::testing::Test {
 protected:
  void SetUp() override {
    test::RecordScenario(ctx_,
                         "rate 100\n"
                         "channel 0 baseline 900 noise 3 touch 50 every 1 from 0.5 for 0.3\n"
                         "channel 1 baseline 800 touch 100 every 1 from 0.2 for 0.2 gate 5 "
                         "spikes 90 every 1 from 0.95\n"
                         "channel 2 baseline 700 noise 2\n",
                         4.2);
    AnalysisOptions o;
    o.frameMs = 10;
    o.channels = 0b111;
    std::array<int32_t, kAnalysisChannels> thresholds{};
    thresholds.fill(60);
    o.thresholds = thresholds;
    o.plotColumns = 50;
    result = AnalyzeBuffer(ctx_, 0, 1000, o);
    inputs.source = "bench \"B\".tkchart";
  }

  CaptureContext ctx_;
  AnalysisResult result;
  ReportInputs inputs;
};

TEST_F(AnalysisReport, CsvAndTextNameEachFailingKey) {
  const std::string csv = FormatAnalysisReport(result, ReportFormat::Csv, inputs);
  EXPECT_EQ(csv.substr(0, csv.find('\n')),
            "channel,raw_baseline,raw_noise,drift,drift_per_min,raw_signal,raw_weakest,snr,"
            "idle_mean,noise,signal,output_snr,recommended_threshold,threshold,"
            "false_touch_margin,detection_margin,touches,missed,false_touches,chatter,delay_ms,"
            "verdict");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 4);
  const std::string text = FormatAnalysisReport(result, ReportFormat::Text, inputs);
  for (const char* part :
       {"keys that do not pass:\n  CH0: fail: the chip missed 4 of 4 touches; threshold 60 "
        "above its touches (detection margin",
        "  CH1: fail: 4 false touches\n", "  CH2: untouched: no touch in its signal\n",
        "frame period 10.00 ms (the default for a chart)", "threshold rule factor: ",
        "CH1: false touches last up to 10 ms: a debounce longer than that ignores them"}) {
    EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
  }
}

TEST_F(AnalysisReport, JsonNumbersAreNumbers) {
  const std::string json = FormatAnalysisReport(result, ReportFormat::Json, inputs);
  for (const char* part :
       {"\"file\": \"bench \\\"B\\\".tkchart\"", "\"frame_ms\": 10.000",
        "\"output_snr\": null, \"output_snr_infinite\": true", "\"detection_margin\": null",
        "\"verdict\": \"untouched\"", "\"rule\": \"factor\"", "\"missed\": 4", "\"key_bits\": true",
        "\"reasons\": [\"the chip missed 4 of 4 touches\""}) {
    EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;
  }
  EXPECT_EQ(json.find("\"inf\""), std::string::npos);
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
  EXPECT_NE(html.find("<td class=\"l fail\">fail</td>"), std::string::npos);
  EXPECT_NE(html.find("<td class=\"l untouched\">untouched</td>"), std::string::npos);
  EXPECT_NE(html.find("K&lt;2&gt;&amp;"), std::string::npos);
  // The signal's touches shaded, the chip's bit beneath: missed (red) and
  // false touches (orange) marked.
  for (const char* fill : {"#fbd9a8", "#1d4f91", "#d32f2f", "#ef8c00"}) {
    EXPECT_NE(html.find(std::string("fill=\"") + fill + "\""), std::string::npos) << fill;
  }
}

}  // namespace
}  // namespace padscope

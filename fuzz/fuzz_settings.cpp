// A "~tmp.tmp" image of arbitrary bytes laid over the settings record, with
// the readers that turn the stored values into text and pixels behind it.
#include <cstdint>
#include <cstdio>

#include "files/Exports.h"
#include "state/GlobalSettings.h"
#include "state/SettingsFile.h"
#include "state/SettingsText.h"
#include "viewlogic/KeyScopeGeometry.h"
#include "viewlogic/ScopeGeometry.h"

using namespace padscope;
using namespace padscope::keyscope;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::FILE* sink = std::fopen("/dev/null", "wb");
  GlobalSettings s;
  SettingsFromImage({data, size}, s);
  (void)DescribeSettings(s);
  if (sink != nullptr) {
    WriteThresholdDump(sink, s);
  }
  (void)s.ShownChannelCount();

  const ScopeScale scale{s.EffectiveRangeMax(), s.EffectiveRangeMin(), 1080 - 30};
  (void)ValueGridRows(scale, 1080, 2000);
  (void)WatchLineY(scale, 1080, 2000, s.EffectiveRangeMin());
  (void)ValueToY(scale, 2000, s.EffectiveRangeMax());
  (void)ValueAxisLabels(1080, s.EffectiveKeyRangeMax(), s.EffectiveZoom());
  (void)Slider(SliderRect(1920, 1080, StripWidth(s.ShownChannelCount())), s.EffectiveZoom());
  for (int c = 0; c < 16; ++c) {
    const ChannelConfig& ch = s.channel[c];
    const Rect box = ChannelBox(c, 1920, 1080);
    (void)BarThresholdY(box, ch.EffectiveSecondMax(), ch.EffectiveSecondMin(),
                        ch.EffectiveThreshold());
    (void)BarTop(box, ch.EffectiveSecondMax(), ch.EffectiveSecondMin(), ch.rawMax);
    (void)keyscope::ValueRow(s.EffectiveKeyRangeMax(), ch.threshold, s.EffectiveZoom());
  }
  return 0;
}

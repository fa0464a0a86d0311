// The parameter dialog's rules without widgets: the elapse field's typed
// characters, reading the fields, the checks, and the send-then-store order.
#include "commands/GlobalParameters.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "capture/CaptureContext.h"
#include "commands/DecimalInput.h"
#include "common/SimFixture.h"
#include "state/GlobalSettings.h"

namespace padscope {
namespace {

struct TypedCase {
  std::string before;
  int selStart;
  int selEnd;
  char typed;
  bool applied;
  std::string after;  // the text when applied
};

std::string Describe(const TypedCase& c) {
  return "'" + c.before + "' [" + std::to_string(c.selStart) + "," + std::to_string(c.selEnd) +
         "] + " + (c.typed == kBackspace ? std::string("BS") : std::string(1, c.typed));
}

TEST(DecimalInputTest, TypedCharacterRules) {
  const DecimalInputRules rules{12, 1, false};
  const TypedCase cases[] = {
      // Only digits, '.' and backspace are considered.
      {"1", 1, 1, 'a', false, ""},
      {"1", 1, 1, '-', false, ""},
      {"1", 1, 1, '+', false, ""},
      {"1", 1, 1, ' ', false, ""},
      {"1", 1, 1, ',', false, ""},
      {"1", 1, 1, '5', true, "15"},
      {"", 0, 0, '0', true, "0"},
      // A value above 10 takes only backspace; 10 itself still takes digits.
      {"10", 2, 2, '9', true, "109"},
      {"10.5", 4, 4, '1', false, ""},
      {"10.5", 0, 0, '1', false, ""},
      {"109", 3, 3, '.', false, ""},
      {"11", 0, 2, '3', false, ""},  // even over a selection covering it all
      {"109", 3, 3, kBackspace, true, "10"},
      {"10.", 3, 3, '5', true, "10.5"},
      // Results that are undone.
      {"1.5", 3, 3, '5', false, ""},          // a second decimal
      {"", 0, 0, '.', false, ""},             // a leading point
      {"1.5", 2, 2, kBackspace, true, "15"},  // the point removed
      {"1.5", 1, 1, kBackspace, false, ""},   // would leave ".5"
      {"1.5", 0, 1, kBackspace, false, ""},   // the same over a selection
      {"1.5", 2, 2, '.', false, ""},          // a second point
      {"1.5", 1, 2, '.', true, "1.5"},        // replaces the only point
      {"1", 1, 1, '.', true, "1."},
      {"000000000001", 12, 12, '0', false, ""},  // 13 characters
      {"00000000001", 11, 11, '0', true, "000000000010"},
      // Selection handling.
      {"1.5", 0, 3, '7', true, "7"},
      {"8", 0, 0, '2', true, "28"},
      {"", 0, 0, kBackspace, true, ""},
  };
  for (const TypedCase& c : cases) {
    DecimalInputState after{"untouched", 0, 0};
    const bool applied =
        AcceptDecimalChar(rules, {c.before, c.selStart, c.selEnd}, c.typed, &after);
    EXPECT_EQ(applied, c.applied) << Describe(c);
    if (c.applied) {
      EXPECT_EQ(after.text, c.after) << Describe(c);
    } else {
      EXPECT_EQ(after.text, "untouched") << Describe(c);
    }
  }
}

TEST(DecimalInputTest, MinusOnlyWhenNegativesAreAllowed) {
  DecimalInputRules rules{12, 1, true};
  DecimalInputState after;
  EXPECT_TRUE(AcceptDecimalChar(rules, {"", 0, 0}, '-', &after));
  EXPECT_EQ(after.text, "-");
  rules.allowNegative = false;
  EXPECT_FALSE(AcceptDecimalChar(rules, {"", 0, 0}, '-'));
  rules.maxDecimals = 2;
  EXPECT_TRUE(AcceptDecimalChar(rules, {"1.5", 3, 3}, '5', &after));
  EXPECT_EQ(after.text, "1.55");
}

TEST(DecimalInputTest, TenthsAreExactDecimal) {
  // Binary floating point would make some of these one tenth short.
  EXPECT_EQ(DecimalTextToTenths("0.3"), 3);
  EXPECT_EQ(DecimalTextToTenths("0.7"), 7);
  EXPECT_EQ(DecimalTextToTenths("2.3"), 23);
  EXPECT_EQ(DecimalTextToTenths("10.9"), 109);
  EXPECT_EQ(DecimalTextToTenths("109"), 1090);
  EXPECT_EQ(DecimalTextToTenths("1."), 10);
  EXPECT_EQ(DecimalTextToTenths(" 4.5 "), 45);
  EXPECT_EQ(DecimalTextToTenths("1.29"), 12) << "further digits are truncated";
  EXPECT_EQ(DecimalTextToTenths(""), 0);
  EXPECT_EQ(DecimalTextToTenths("."), 0);
  EXPECT_EQ(DecimalTextToTenths("abc"), 0);
  EXPECT_EQ(DecimalTextToTenths("1.2.3"), 0);
  EXPECT_EQ(DecimalTextToTenths("-1"), 0);
  EXPECT_EQ(DecimalTextToTenths("6553.5"), 65535);
  EXPECT_EQ(DecimalTextToTenths("99999999999999999999"), 65535) << "held to 16 bits";
}

TEST(GlobalParametersTest, FieldsReadAsWholeNumbersOrZero) {
  EXPECT_EQ(FieldToInt("7"), 7);
  EXPECT_EQ(FieldToInt(" 7 "), 7);
  EXPECT_EQ(FieldToInt("-3"), -3);
  EXPECT_EQ(FieldToInt(""), 0);
  EXPECT_EQ(FieldToInt("abc"), 0);
  EXPECT_EQ(FieldToInt("12abc"), 0);
  EXPECT_EQ(FieldToInt("-"), 0);
  EXPECT_EQ(FieldToInt("99999999999999999999"), INT32_MAX);
  EXPECT_EQ(FieldToInt("-99999999999999999999"), INT32_MIN);
}

TEST(GlobalParametersTest, InitialFormShowsTheStoredValues) {
  GlobalSettings s;
  s.chTimer = 3;
  s.maxHoldKeyTime = 2;
  s.bufferFrames = 4096;
  s.debounceTime = 260;
  s.noComposeKey = 0;
  s.samplingElapseTenths = 25;
  s.samplingTimes = 300;
  const ParameterForm f = InitialParameterForm(s);
  EXPECT_EQ(f.chTimer, "3");
  EXPECT_EQ(f.maxHoldKey, "2");
  EXPECT_EQ(f.bufferKb, "4");
  EXPECT_EQ(f.debounce, "260");
  EXPECT_FALSE(f.noComposeKey);
  EXPECT_EQ(f.elapse, "2.5");
  EXPECT_EQ(f.times, "300");
  EXPECT_EQ(InitialParameterForm(GlobalSettings{}).elapse, "0.0");
  EXPECT_STREQ(DebounceLabel(1), "Debounce Time(2-10):");
  EXPECT_STREQ(DebounceLabel(2), "Threshold(0-260):");
}

ParameterForm GoodForm() {
  return ParameterForm{"4", "1.5", "16", "5", "4", true, "1600"};
}

TEST(GlobalParametersTest, ChecksRefuseInTheDialogsOrder) {
  // Several bad fields: the first in the dialog's order is reported.
  ParameterForm f = GoodForm();
  f.chTimer = "0";
  f.maxHoldKey = "9";
  EXPECT_EQ(CheckParameters(f, 1, nullptr), kChTimerRangeText);
  f.chTimer = "7";
  EXPECT_EQ(CheckParameters(f, 1, nullptr), kMaxHoldRangeText);
  f.maxHoldKey = "1";
  f.debounce = "11";
  f.times = "70000";
  EXPECT_EQ(CheckParameters(f, 1, nullptr), kDebounceRangeText);
  f.debounce = "2";
  EXPECT_EQ(CheckParameters(f, 1, nullptr), kTimesRangeText);
  f.times = "65535";
  f.bufferKb = "0";
  EXPECT_EQ(CheckParameters(f, 1, nullptr), kBufferFailedText);
  f.bufferKb = std::to_string(kMaxBufferKb + 1);
  EXPECT_EQ(CheckParameters(f, 1, nullptr), kBufferFailedText);
  f.bufferKb = std::to_string(kMaxBufferKb);
  ParameterValues v;
  EXPECT_EQ(CheckParameters(f, 1, &v), "");
  EXPECT_EQ(v.bufferKb << 10, kMaxBufferKb * 1024) << "the largest size still fits bufferFrames";
  EXPECT_EQ(v.times, 65535);
}

TEST(GlobalParametersTest, DebounceOrThresholdByMode) {
  ParameterForm f = GoodForm();
  for (const char* bad : {"1", "11", ""}) {
    f.debounce = bad;
    EXPECT_EQ(CheckParameters(f, 1, nullptr), kDebounceRangeText) << bad;
  }
  for (const char* bad : {"0", "261", ""}) {
    f.debounce = bad;
    EXPECT_EQ(CheckParameters(f, 2, nullptr), kThresholdRangeText) << bad;
  }
  f.debounce = "260";
  EXPECT_EQ(CheckParameters(f, 1, nullptr), kDebounceRangeText);
  ParameterValues v;
  EXPECT_EQ(CheckParameters(f, 2, &v), "");
  EXPECT_EQ(v.debounceOrThreshold, 260);
  f.debounce = "1";
  EXPECT_EQ(CheckParameters(f, 2, nullptr), "");
}

TEST(GlobalParametersTest, NoAdapterRefusesSilently) {
  GlobalSettings settings;
  CaptureContext ctx;
  const ApplyResult r = ApplyGlobalParameters(GoodForm(), settings, ctx, nullptr);
  EXPECT_FALSE(r.accepted);
  EXPECT_EQ(r.message, "");
  EXPECT_EQ(settings, GlobalSettings{});
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

TEST(GlobalParametersTest, RefusedUntilTheCaptureThreadHasEnded) {
  // An unplug puts runState to 0 at once; the thread ends at its next check.
  test::SimAdapter sim;
  GlobalSettings settings;
  CaptureContext ctx;
  ASSERT_TRUE(ctx.AllocateFrames(16));
  ctx.threadFinished = false;
  const ApplyResult r = ApplyGlobalParameters(GoodForm(), settings, ctx, &sim.adapter);
  EXPECT_FALSE(r.accepted);
  EXPECT_EQ(r.message, kStopFirstText);
  EXPECT_FALSE(sim.sim->Parameters().received);
  EXPECT_EQ(ctx.frameCapacity, 16);
  ctx.threadFinished = true;
  EXPECT_TRUE(ApplyGlobalParameters(GoodForm(), settings, ctx, &sim.adapter).accepted);
  EXPECT_EQ(ctx.frameCapacity, 1600 * 1024);
}

// Keeps the process's address space small for one scope, so that a large
// frame buffer cannot be had.
class AddressSpaceCap {
 public:
  explicit AddressSpaceCap(rlim_t bytes) {
    getrlimit(RLIMIT_AS, &saved_);
    rlimit capped = saved_;
    capped.rlim_cur = std::min(bytes, saved_.rlim_max);
    active_ = setrlimit(RLIMIT_AS, &capped) == 0;
  }
  ~AddressSpaceCap() { setrlimit(RLIMIT_AS, &saved_); }
  bool active() const { return active_; }

 private:
  rlimit saved_{};
  bool active_ = false;
};

TEST(GlobalParametersTest, FailedReallocationKeepsTheSentValuesAndStays) {
  if (kAddressSanitizer) {
    GTEST_SKIP() << "the sanitizer runtime needs more address space than the cap leaves";
  }
  test::SimAdapter sim;
  GlobalSettings settings;
  CaptureContext ctx;
  ASSERT_TRUE(ctx.AllocateFrames(16));
  ParameterForm f = GoodForm();
  f.chTimer = "6";
  f.bufferKb = std::to_string(kMaxBufferKb);  // some 830 GB of frames
  ApplyResult r;
  {
    const AddressSpaceCap cap(rlim_t{64} << 30);
    ASSERT_TRUE(cap.active());
    r = ApplyGlobalParameters(f, settings, ctx, &sim.adapter);
  }
  EXPECT_FALSE(r.accepted);
  EXPECT_EQ(r.message, kBufferFailedText);
  EXPECT_TRUE(sim.sim->Parameters().received) << "the chip got them first";
  EXPECT_EQ(settings.chTimer, 6) << "what was sent stays stored";
  EXPECT_EQ(settings.bufferFrames, kMaxBufferKb << 10);
  EXPECT_FALSE(ctx.HasFrames());
}

}  // namespace
}  // namespace padscope

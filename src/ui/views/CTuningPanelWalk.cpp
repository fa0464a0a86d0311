// The tuning panel's guided measurement: hands off the keys, then each shown
// key touched and held in turn, then the analysis of the whole walk.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "capture/CaptureContext.h"
#include "platform/Prompt.h"
#include "state/GlobalSettings.h"
#include "ui/views/CTuningPanel.h"

namespace padscope {

namespace {

constexpr int kWalkPeriodMs = 100;

}  // namespace

void CTuningPanel::StartWalk() {
  if (ctx_.runState.load() != kRunRunning) {
    emit StartCaptureRequested();
  }
  if (ctx_.runState.load() != kRunRunning) {
    // Starting said why it could not (no adapter, a replay running).
    walkText_->setText(tr("The guided measurement needs a running capture."));
    return;
  }
  // The keys shown once the capture runs (its frames say how many there are).
  std::vector<int> keys;
  const uint16_t shown = ShownChannelMask(ctx_, GlobalSettings::Instance());
  for (int k = 0; k < kAnalysisChannels; ++k) {
    if ((shown >> k) & 1) {
      keys.push_back(k);
    }
  }
  walkKeys_ = keys;
  walk_.emplace(std::move(keys), walkOptions_);
  walkGeneration_ = ctx_.generation.load();
  walkNext_ = MarkOf(ctx_, ctx_.WriteIndex()).frame;
  walkTimer_->start(kWalkPeriodMs);
  ShowWalkState();
}

void CTuningPanel::StopWalk() {
  walkTimer_->stop();
  walk_.reset();
  ShowWalkState();
  walkText_->setText(tr("Guided measurement stopped."));
}

void CTuningPanel::SkipStep() {
  if (!walk_ || walk_->Finished()) {
    return;
  }
  walk_->Skip();
  if (walk_->Finished()) {
    FinishWalk();
  }
  ShowWalkState();
}

void CTuningPanel::FeedWalk() {
  if (!walk_ || walk_->Finished()) {
    walkTimer_->stop();
    return;
  }
  const uint32_t generation = ctx_.generation.load();
  if (generation != walkGeneration_) {
    if (walk_->FirstPosition()) {
      // The capture started afresh: the frames walked so far are gone.
      StopWalk();
      walkText_->setText(tr("The capture was restarted; the guided measurement stopped."));
      return;
    }
    // The capture that the walk started has only now set up its buffer.
    walkGeneration_ = generation;
    walkNext_ = ctx_.compactedFrames.load();
  }
  const bool single = GlobalSettings::Instance().singleByteMode != 0;
  const int64_t compacted = ctx_.compactedFrames.load();
  const int written = ctx_.WriteIndex();
  AnalysisFrame frame;
  for (; walkNext_ - compacted < written && !walk_->Finished(); ++walkNext_) {
    ReadAnalysisFrame(ctx_, static_cast<int>(walkNext_ - compacted), single, frame);
    walk_->Add(frame, walkNext_);
  }
  if (walk_->Finished()) {
    FinishWalk();
  }
  ShowWalkState();
}

void CTuningPanel::FinishWalk() {
  walkTimer_->stop();
  if (walk_->FirstPosition() && walk_->LastPosition()) {
    TuningRange range;
    range.kind = TuningRangeKind::Walk;
    range.from = FrameMark{walkGeneration_, *walk_->FirstPosition()};
    range.to = FrameMark{walkGeneration_, *walk_->LastPosition()};
    walkRange_ = range;
    walkAsked_ = walk_->Asked();
  }
  SetRangeKind(TuningRangeKind::Walk);
  UpdateAnalysis();
}

QString CTuningPanel::WalkNotes() const {
  // What the steps so far found that the chip's view hides.
  QString notes;
  for (int k = 0; k < kAnalysisChannels; ++k) {
    if ((walk_->StuckKeys() >> k) & 1) {
      notes += "  " + tr("%1 reads touched with the hands off: stuck.").arg(KeyName(k));
    }
  }
  const std::vector<GuidedWalk::Outcome>& outcomes = walk_->Outcomes();
  for (size_t s = 1; s < outcomes.size() && s <= walkKeys_.size(); ++s) {
    if (outcomes[s] == GuidedWalk::Outcome::NotReported) {
      notes += "  " + KeyName(walkKeys_[s - 1]) + ": " +
               tr("touched, but the chip did not report it: its threshold is above the touch");
    }
  }
  return notes;
}

void CTuningPanel::ShowWalkState() {
  const bool running = walk_ && !walk_->Finished();
  walkButton_->setText(running ? tr("Stop") : tr("Start guided measurement"));
  skipButton_->setEnabled(running);
  walkProgress_->setVisible(running);
  if (!walk_) {
    walkText_->setText(tr("Measures noise and signal of every shown key, one after the other."));
    return;
  }
  if (walk_->Finished()) {
    int measured = 0;
    int skipped = 0;
    for (size_t k = 1; k < walk_->Outcomes().size(); ++k) {
      measured += walk_->Outcomes()[k] != GuidedWalk::Outcome::Skipped ? 1 : 0;
      skipped += walk_->Outcomes()[k] == GuidedWalk::Outcome::Skipped ? 1 : 0;
    }
    walkText_->setText(tr("Guided measurement finished. Keys measured: %1, skipped: %2.")
                           .arg(measured)
                           .arg(skipped) +
                       WalkNotes());
    return;
  }
  const GuidedWalk::Step step = walk_->Current();
  const QString counter = tr("Step %1 of %2: ").arg(walk_->StepIndex() + 1).arg(walk_->StepCount());
  if (step.kind == GuidedWalk::StepKind::HandsOff) {
    walkText_->setText(
        counter +
        tr("Keep your hands off the keys (%1 s)").arg(walk_->options().idleMs / 1000.0, 0, 'g', 3));
  } else {
    walkText_->setText(counter + tr("Touch and hold %1").arg(KeyName(step.channel)) + WalkNotes());
  }
  walkProgress_->setValue(static_cast<int>(walk_->Progress() * 100));
}

}  // namespace padscope

#pragma once

// What the key scope view's mouse does to the settings: the status texts and
// cursors of the hover codes, the drag deltas, and the commit on release.
// No Qt; UI thread only, like the settings it edits.

#include <cstdint>
#include <string>

#include "viewlogic/KeyScopeGeometry.h"

namespace padscope {

struct FrameFields;
struct GlobalSettings;
class ChannelLabel;

namespace keyscope {

enum class CursorShape { kArrow, kHand, kSizeVertical, kSizeHorizontal };

CursorShape CursorFor(int code);

// Pane 0 text while hovering code over channel; empty for an unknown code.
std::string HoverStatusText(int code, int channel, const GlobalSettings& settings,
                            const ChannelLabel& label);
// Pane 0 text while dragging a value of channel.
std::string DragStatusText(int channel, const GlobalSettings& settings);

// Delta of a maximum, minimum or threshold drag: the plot's value span per
// pixel, rounded. 0 when the view is too short to have a scale.
int32_t ValueDragDelta(int pressY, int y, int height, int32_t zoom);
// Delta of a zoom drag; 0 when it would take the zoom out of 1..18 or the
// slider has no width.
int32_t ZoomDragDelta(int pressX, int x, const Rect& slider, int32_t zoom);

// Stores a value drag's delta where its code says (3 maximum, 5 minimum,
// 7 and 9 threshold).
void SetValueDelta(GlobalSettings& settings, int code, int channel, int32_t delta);

// The release: commits what the hover code was dragging or switches what it
// was clicking, then commits the top value delta.
void CommitRelease(GlobalSettings& settings, FrameFields& fields, int hoverCode, int hoverChannel,
                   int pressedChannel);

}  // namespace keyscope
}  // namespace padscope

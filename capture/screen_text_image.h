#pragma once
// Screen pixels made into what the offline engine reads best. Screen text is small (10 to
// 16 px), anti-aliased and often light on dark; the engine's models were trained on dark
// print on white at about three times that size. So: grey levels, the background made
// light, the letters scaled up to that size, and a margin of background around them.
#include "platform/screen.h"
#include "platform/text_engine.h"

namespace offline {

// The height of a run of inked rows (a line's letters) that the engine reads best.
inline constexpr int kTargetTextHeight = 36;
inline constexpr int kMaxScale = 4;

platform::GreyImage prepareScreenText(const platform::ScreenImage& image);

// The grey image as it came, background not yet turned light: one byte a pixel.
platform::GreyImage greyLevels(const platform::ScreenImage& image);
// The most common grey level, taken as the background.
int backgroundLevel(const platform::GreyImage& grey);
// The typical height of a line's letters: the median height of the runs of rows that hold
// ink; 0 when the image holds none.
int typicalTextHeight(const platform::GreyImage& grey, int background);
// The whole scale that brings that height nearest kTargetTextHeight, 1 to kMaxScale.
int scaleFor(int textHeight);

}  // namespace offline

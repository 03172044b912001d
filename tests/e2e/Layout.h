#pragma once

#include <QRect>

// Where the program's controls are, in client pixels of their window.
namespace layout {

inline constexpr int kMainWidth = 399;
inline constexpr int kMainHeight = 201;

// The clock label starts at 96,60 and grows with its text; this is the band
// it may grow into, clear of the alarm line above and the sound line below.
inline const QRect kClockBand(90, 56, 309, 92);
inline constexpr int kClockLeft = 96;
inline const QRect kAlarmLine(16, 28, 340, 20);
inline const QRect kSoundLine(16, 152, 369, 13);
inline const QRect kMenuButton(344, 168, 45, 23);
inline const QRect kCloseButton(376, 8, 17, 17);
inline const QRect kTrayButton(356, 8, 17, 17);  // "-"
inline const QRect kOnButton(14, 168, 33, 22);   // "OFF" shares the place
inline const QRect kPlayButton(151, 168, 33, 17);
inline const QRect kStopButton(192, 168, 33, 17);
inline const QRect kArmedSquare(376, 32, 8, 8);

// The Set Time dialog: its window on the screen, frame included, and its
// parts in window pixels. The client area lies inside a 4-pixel border,
// below a 16-pixel caption bar.
inline const QRect kSetTimeDialog(440, 342, 161, 96);
inline const QPoint kSetTimeClient(4, 20);
inline const QRect kSetTimeCaption(4, 4, 153, 15);  // a line of the frame's face below it
inline const QRect kSetTimeInstruction = QRect(0, 0, 148, 13).translated(kSetTimeClient);
inline const QRect kTimeEdit = QRect(0, 16, 153, 32).translated(kSetTimeClient);
inline const QRect kOkButton = QRect(0, 50, 57, 22).translated(kSetTimeClient);
inline const QRect kCancelButton = QRect(96, 50, 57, 22).translated(kSetTimeClient);

}  // namespace layout

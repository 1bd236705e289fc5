#pragma once

#include <QPixmap>

// The alarm lamp pictures of the panels: a small round lamp on the panel grey, unlit grey or
// lit red. Both are 26 × 30 pixels.
QPixmap LedPicture(bool lit);

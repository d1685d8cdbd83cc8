// The 16 x 16 state images of the capture list (Images) and of the decoded
// tree (IsupImages), drawn at start-up so that no image files are needed.
#pragma once

#include <QPixmap>
#include <QVector>

// Index 5 stop sign, 7 red exclamation mark, 9 blue triangle right (IN),
// 10 blue triangle left (OUT); the other entries are empty.
QVector<QPixmap> MakeCaptureImages();
// Index 1 page of text, 2 yellow key, 3 small computer, 5 ticked box,
// 6 empty box, 7 small page; the other entries are empty.
QVector<QPixmap> MakeIsupImages();

#pragma once

class QByteArray;

// The skin built into the program: the picture file (401 x 203, 8 bits per
// pixel, the bottom-left pixel's colour is the transparent one) and the
// stored outline block that goes with it.
QByteArray BuiltInSkinPicture();
QByteArray BuiltInRegionData();

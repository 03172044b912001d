#pragma once

class QString;

// The application title: the caption of the program's message boxes. It is
// deliberately not Qt's application display name, which Qt would append to
// every window title.
QString ApplicationTitle();

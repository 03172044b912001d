#pragma once

#include <QString>

class QWidget;

// The sound file chooser: Qt's own file dialog (the same on every desktop),
// one file, sizeable, a typed name of a file that does not exist is taken.
// The first of the two filters is selected when it opens.
class TOpenDialog {
public:
    // "display|pattern|display|pattern"
    static constexpr const char* Filter = "*.mp3;*.wav;*.mid;*.au;*.snd|*.mp3;*.wav;*.mid;*.au;*.snd|*.*|*.*";

    // Runs the dialog modally; on confirmation stores the chosen full path.
    bool Execute(QWidget* owner);
    const QString& FileName() const { return FFileName; }

private:
    QString FFileName;
};

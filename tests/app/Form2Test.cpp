#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "settings/AlarmFile.h"
#include "app/Form2.h"
#include "app/SpeedButton.h"

namespace {

TEST(Form2, LayoutAndPrefilledText)
{
    TForm2 dialog(nullptr, "23:09:10");
    EXPECT_EQ(dialog.windowTitle(), "Set Time");
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(dialog.pos(), QPoint(440, 342));
    EXPECT_EQ(dialog.Client()->size(), QSize(153, 72));
    EXPECT_EQ(dialog.Client()->pos(), QPoint(TToolDialog::kBorder, TToolDialog::kBorder + TToolDialog::kCaptionHeight));
    // Between the text box and the buttons only the background shows.
    EXPECT_EQ(dialog.grab().toImage().pixelColor(dialog.Client()->pos() + QPoint(76, 49)), QColor(0xA2, 0xAF, 0xBB));
    EXPECT_EQ(dialog.Edit1->text(), "23:09:10");
    EXPECT_EQ(dialog.Edit1->geometry(), QRect(0, 16, 153, 32));
    EXPECT_EQ(dialog.SpeedButton1->text(), "Ok");
    EXPECT_EQ(dialog.SpeedButton1->geometry(), QRect(0, 50, 57, 22));
    EXPECT_EQ(dialog.SpeedButton2->text(), "Cancel");
    EXPECT_EQ(dialog.SpeedButton2->geometry(), QRect(96, 50, 57, 22));
    EXPECT_EQ(dialog.Label1->text(), "Set Time For Example 23:09:10");
    EXPECT_EQ(dialog.Button1->size(), QSize(0, 0));
    EXPECT_EQ(dialog.SpeedButton1->focusPolicy(), Qt::NoFocus);
}

// Runs the dialog modally and acts on it from inside its loop.
int RunWith(TForm2& dialog, const std::function<void()>& act)
{
    QTimer::singleShot(0, &dialog, act);
    return dialog.exec();
}

TEST(Form2, OkTakesTheTextExactlyAsTyped)
{
    TForm2 dialog(nullptr, "07:00:00");
    const int result = RunWith(dialog, [&] {
        dialog.Edit1->setFocus();
        dialog.Edit1->selectAll();
        QTest::keyClicks(dialog.Edit1, " hello 7:30 ");
        dialog.SpeedButton1->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dialog.Text(), " hello 7:30 ");
}

// The box takes no more than a line of the alarm file keeps, typed or
// pasted, in the widest characters.
TEST(Form2, TheTextBoxHoldsNoMoreThanTheAlarmFileKeeps)
{
    TForm2 dialog(nullptr, "07:00:00");
    const QString wide = QString(QChar(0x20AC)).repeated(3000);  // three bytes each in UTF-8
    dialog.Edit1->setText(wide);
    EXPECT_EQ(dialog.Edit1->text().size(), TForm2::kMaxTextLength);
    EXPECT_LE(dialog.Edit1->text().toUtf8().size(), static_cast<qsizetype>(AlarmFile::kMaxLineBytes));

    const int result = RunWith(dialog, [&] {
        dialog.Edit1->setFocus();
        dialog.Edit1->selectAll();
        QTest::keyClicks(dialog.Edit1, QString(TForm2::kMaxTextLength + 5, QLatin1Char('7')));
        dialog.SpeedButton1->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dialog.Text(), QString(TForm2::kMaxTextLength, QLatin1Char('7')));
}

TEST(Form2, EnterDoesNotPressOkAndCancelRejects)
{
    TForm2 dialog(nullptr, "07:00:00");
    bool stillOpenAfterEnter = false;
    const int result = RunWith(dialog, [&] {
        dialog.Edit1->setFocus();
        QTest::keyClick(dialog.Edit1, Qt::Key_Return);
        QTest::keyClick(dialog.Edit1, Qt::Key_Enter);
        stillOpenAfterEnter = dialog.isVisible();
        dialog.SpeedButton2->click();
    });
    EXPECT_TRUE(stillOpenAfterEnter);
    EXPECT_EQ(result, QDialog::Rejected);
}

TEST(Form2, TheFocusStartsOutsideTheTextBox)
{
    TForm2 dialog(nullptr, "07:00:00");
    bool editHadFocus = true;
    RunWith(dialog, [&] {
        editHadFocus = dialog.Edit1->hasFocus();
        dialog.reject();
    });
    EXPECT_FALSE(editHadFocus);
}

// Which edges a press on the frame takes: a side alone along it, two at a
// corner, whose reach runs down the caption bar's height; none inside.
TEST(ToolDialog, EdgesAtAPoint)
{
    const QSize size(161, 96);
    struct Case {
        QPoint at;
        Qt::Edges edges;
    };
    const Case cases[] = {
        {{0, 0}, Qt::TopEdge | Qt::LeftEdge},
        {{2, 19}, Qt::TopEdge | Qt::LeftEdge},  // the corner reaches past the caption bar's top
        {{2, 20}, Qt::LeftEdge},
        {{80, 1}, Qt::TopEdge},
        {{80, 95}, Qt::BottomEdge},
        {{160, 95}, Qt::BottomEdge | Qt::RightEdge},
        {{141, 94}, Qt::BottomEdge | Qt::RightEdge},
        {{158, 50}, Qt::RightEdge},
        {{80, 10}, {}},   // the caption bar moves the window
        {{80, 50}, {}},   // the client area
        {{161, 50}, {}},  // outside
    };
    for (const Case& c : cases)
        EXPECT_EQ(TToolDialog::EdgesAt(c.at, size), c.edges) << c.at.x() << "," << c.at.y();
}

}  // namespace

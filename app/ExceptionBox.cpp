#include "app/ExceptionBox.h"

#include "app/ApplicationTitle.h"

#include <QMessageBox>
#include <QString>

#include <utility>

namespace {

void ShowInMessageBox(const std::string& text)
{
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(),
                    QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())), QMessageBox::Ok);
    box.exec();
}

ExceptionPresenter& Presenter()
{
    static ExceptionPresenter presenter = ShowInMessageBox;
    return presenter;
}

}  // namespace

std::string ExceptionBoxText(const std::string& message)
{
    if (!message.empty() && message.back() == '.')
        return message;
    return message + '.';
}

void ShowExceptionMessage(const std::string& message)
{
    Presenter()(ExceptionBoxText(message));
}

void ShowException(const std::exception& error)
{
    ShowExceptionMessage(error.what());
}

ExceptionPresenter SetExceptionPresenter(ExceptionPresenter presenter)
{
    return std::exchange(Presenter(), std::move(presenter));
}

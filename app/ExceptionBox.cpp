#include "app/ExceptionBox.h"

#include "app/ApplicationTitle.h"

#include <QMessageBox>

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

void ShowException(const std::exception& error)
{
    Presenter()(ExceptionBoxText(error.what()));
}

ExceptionPresenter SetExceptionPresenter(ExceptionPresenter presenter)
{
    return std::exchange(Presenter(), std::move(presenter));
}

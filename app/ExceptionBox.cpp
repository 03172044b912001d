#include "app/ExceptionBox.h"

#include "app/ApplicationTitle.h"

#include <QMessageBox>

#include <utility>

namespace {

ExceptionPresenter& Presenter()
{
    static ExceptionPresenter presenter = [](const std::string& text) {
        QMessageBox box(QMessageBox::Critical, ApplicationTitle(), QString::fromLocal8Bit(text), QMessageBox::Ok);
        box.exec();
    };
    return presenter;
}

}  // namespace

std::string ExceptionBoxText(const std::string& message)
{
    return message.ends_with('.') ? message : message + '.';
}

void ShowException(const std::exception& error)
{
    Presenter()(ExceptionBoxText(error.what()));
}

ExceptionPresenter SetExceptionPresenter(ExceptionPresenter presenter)
{
    return std::exchange(Presenter(), std::move(presenter));
}

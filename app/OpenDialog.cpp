#include "app/OpenDialog.h"

#include <QFileDialog>
#include <QStringList>

namespace {

// Qt's "display (patterns)" filters from the "display|pattern|..." list, whose
// patterns are ';'-separated; "*.*" (every file) is "*" here (names need no dot).
QStringList QtFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns)
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
        result << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return result;
}

}  // namespace

bool TOpenDialog::Execute(QWidget* owner)
{
    QFileDialog dialog(owner);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setSizeGripEnabled(true);
    const QStringList filters = QtFilters(QString::fromLatin1(Filter));
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.first());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    FFileName = dialog.selectedFiles().first();
    return true;
}

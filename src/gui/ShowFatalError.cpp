#include "gui/ShowFatalError.h"

#include <QApplication>
#include <QMessageBox>

#include "base/FatalError.h"
#include "base/Guard.h"

void ShowFatalError(const QString &procedureText, int number, const QString &description)
{
    QMessageBox box(QMessageBox::Critical, FatalError::title(),
        FatalError::text(procedureText, number, description), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void installFatalErrorBox()
{
    Guard::setFatalHandler([](const QString &procedure, int number, const QString &description) {
        ShowFatalError(procedure, number, description);
        Guard::endProcess(Guard::FatalExitCode);
    });
}

#include "app/Confirmation.h"

#include <QApplication>
#include <QMessageBox>

namespace brevant {

bool TMessageBoxConfirmation::Ask(const QString& question) {
    return QMessageBox::question(owner_, QApplication::applicationName(), question,
                                 QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel) == QMessageBox::Ok;
}

}  // namespace brevant

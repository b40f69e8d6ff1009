#include "app/OpenDialog.h"

#include <QFileDialog>

namespace brevant {

std::optional<QString> TOpenDialog::Execute() {
    QFileDialog dialog(owner_);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(QStringLiteral("sql"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

}  // namespace brevant

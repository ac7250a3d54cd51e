#pragma once

#include <QComboBox>
#include <QString>

// Selects the item whose text equals `text` exactly (the last one when
// several do) and leaves the selection as it is when none does. Setting the
// selection from the program raises no `activated`, so no handler runs.
inline void SelectComboText(QComboBox* box, const QString& text) {
  for (int i = 0; i < box->count(); ++i) {
    if (box->itemText(i) == text) box->setCurrentIndex(i);
  }
}

#pragma once

#include <QAbstractItemView>
#include <QComboBox>
#include <QListWidget>
#include <QtTest/QtTest>

// Helpers of the preset suites: operating lists the way an operator does.
namespace presettest {

// Picks an item of a drop-down list as the operator does: opens the list
// and clicks the item. Returns false when the list did not open.
inline bool ChooseItem(QComboBox* box, int index) {
  box->showPopup();
  QAbstractItemView* view = box->view();
  if (!QTest::qWaitFor([&] { return view->isVisible(); }, 2000)) return false;
  const QModelIndex item = view->model()->index(index, box->modelColumn(), view->rootIndex());
  view->scrollTo(item);
  const QPoint at = view->visualRect(item).center();
  QTest::mouseMove(view->viewport(), at);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
  return QTest::qWaitFor([&] { return !view->isVisible(); }, 2000);
}

inline bool ChooseText(QComboBox* box, const QString& text) {
  const int index = box->findText(text, Qt::MatchExactly);
  return index >= 0 && ChooseItem(box, index);
}

// Clicks the list item with this text.
inline bool ClickListItem(QListWidget* list, const QString& text) {
  const auto items = list->findItems(text, Qt::MatchExactly);
  if (items.size() != 1) return false;
  list->scrollToItem(items.first());
  const QRect rect = list->visualItemRect(items.first());
  if (!list->viewport()->rect().contains(rect.center())) return false;
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
  return true;
}

}  // namespace presettest

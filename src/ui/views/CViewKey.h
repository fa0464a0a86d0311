#pragma once

#include <QWidget>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace padscope {

// The message log pane: a list of lines added by AddMessageLog and a button
// that deletes the selected line. UI thread only.
class CViewKey : public QWidget {
  Q_OBJECT

 public:
  explicit CViewKey(QWidget* parent = nullptr);

  // Appends a line, clears the selection and scrolls it into view.
  void AppendLine(const QString& line);
  void Clear();
  std::vector<std::string> Lines() const;
  // Deletes the selected line and selects its neighbour (button 1041).
  void DeleteSelected();

  QListWidget* list() const { return list_; }
  QPushButton* deleteButton() const { return delete_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // The button keeps its Chinese text; its tip follows the window's language.
  void changeEvent(QEvent* event) override;

 private:
  class LineDelegate;
  void SetTips();

  QListWidget* list_;
  QPushButton* delete_;
  LineDelegate* lineDelegate_;
};

}  // namespace padscope

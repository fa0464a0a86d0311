#pragma once

// What the views ask of the main window, which implements it: a view needs no
// header of the window above it. UI thread.

#include <QString>

class QWidget;

namespace padscope {

class ViewHost {
 public:
  virtual void SetStatusPaneText(int id, const QString& text) = 0;
  // The status bar's passing message (pane 0).
  virtual void ShowStatusMessage(const QString& text) = 0;
  // Posts a refresh request to both scope views.
  virtual void RefreshScopes() = 0;
  // Runs one command of the command table.
  virtual void OnCommand(int id) = 0;
  // The key scope view, for a refresh request of its own.
  virtual QWidget* KeyScopeView() const = 0;

 protected:
  ~ViewHost() = default;
};

// The main window while it exists, else null.
ViewHost* theViewHost();

}  // namespace padscope

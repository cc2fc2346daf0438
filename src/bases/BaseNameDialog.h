#pragma once

#include "ui/OpenedWindow.h"

#include <memory>

class BaseEditor;
class DataModule;
class Selection;

namespace Ui {
class BaseNameDialog;
}

// The base name dialog that starts a new meter base: a borderless window in
// the middle of the screen asking for the name. Accepting a name creates the
// base (for a name that exists: deletes the old base and starts an empty one,
// or opens the old one, as the operator answers) and hands over to the meter
// base editor, which keeps the opener disabled until it closes.
class BaseNameDialog : public OpenedWindow {
  Q_OBJECT
 public:
  // Accepting a name hands over to the editor.
  BaseNameDialog(DataModule& dataModule, Selection& selection, BaseEditor& editor, QWidget* parent = nullptr);
  ~BaseNameDialog() override;

  // "Создать базу": shows the dialog with an empty name, the opener disabled.
  void open(QWidget* opener);
  // "ОК" and Enter: nothing while the name is blank; otherwise the base is
  // created (or chosen) and the meter base editor opens on it.
  void acceptBaseName();

  // True once the name was accepted and the meter base editor is about to open.
  bool editorFollows = false;

 protected:
  bool formKeyPress(QKeyEvent* event) override;
  bool controlKeyPress(QWidget* control, QKeyEvent* event) override;

 private:
  void onActivated();
  void cancel();  // "Отмена"
  void accept();  // "ОК"
  // For a name that exists: true to open the editor on a fresh base of that
  // name (the old one deleted with its meters and test points), false to open
  // it on the existing base.
  bool replaceExistingBase();

  std::unique_ptr<Ui::BaseNameDialog> ui;
  DataModule& dm_;
  Selection& selection_;
  BaseEditor& editor_;
};

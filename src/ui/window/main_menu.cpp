#include "ui/window/main_menu.h"

#include <QAction>
#include <QBoxLayout>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QToolButton>
#include <QWidget>
#include <algorithm>
#include <map>

#include "ui/window/command_table.h"

namespace qn {
namespace {

constexpr int kButtonSize = 25;

QToolButton* MakeButton(QWidget* parent, const ButtonPlace& place) {
  auto* b = new QToolButton(parent);
  b->setObjectName(place.name);
  b->setAutoRaise(true);  // flat
  b->setFixedSize(kButtonSize, kButtonSize);
  b->setFocusPolicy(Qt::NoFocus);
  b->setEnabled(false);
  if (place.text != nullptr) {
    // The marks bar's clearing button shows a red cross in letters.
    b->setText(QString::fromUtf8(place.text));
    b->setToolTip(QString::fromUtf8(place.hint));
    b->setStyleSheet("QToolButton { color: red; font-weight: bold; }");
    return b;
  }
  b->setIcon(ButtonIcon(place.picture));
  b->setIconSize(QSize(20, 20));
  if (place.hint != nullptr) {
    b->setToolTip(QString::fromUtf8(place.hint));
    b->setAccessibleName(QString::fromUtf8(place.hint));
  } else if (place.accessibleName != nullptr) {
    b->setAccessibleName(QString::fromUtf8(place.accessibleName));
  }
  return b;
}

// The menus of the bar, made as their first item comes, in the bar's order.
class MenuMaker {
 public:
  explicit MenuMaker(QMenuBar* bar) : bar_(bar) {
    // The bar shows every menu, also one whose items all come later in the table.
    for (int m = int(TopMenu::kFil); m <= int(TopMenu::kHjelp); ++m) {
      const TopMenuName name = NameOf(TopMenu(m));
      QMenu* menu = bar_->addMenu(QString::fromUtf8(name.caption));
      menu->setObjectName(name.name);
      top_[TopMenu(m)] = menu;
    }
  }
  // The menu an item of `place` goes into, with the separator before it.
  QMenu* Into(const MenuPlace& place) {
    QMenu* top = top_.at(place.menu);
    if (place.sub == SubMenu::kNone) {
      if (place.separatorBefore) top->addSeparator();
      return top;
    }
    auto found = sub_.find(place.sub);
    if (found != sub_.end()) return found->second;
    if (place.separatorBefore) top->addSeparator();
    const TopMenuName name = NameOf(place.sub);
    QMenu* sub = top->addMenu(QString::fromUtf8(name.caption));
    sub->setObjectName(name.name);
    sub_[place.sub] = sub;
    return sub;
  }

 private:
  QMenuBar* bar_;
  std::map<TopMenu, QMenu*> top_;
  std::map<SubMenu, QMenu*> sub_;
};

}  // namespace

std::vector<CommandControls> BuildCommandControls(
    QMenuBar* bar, QMenu* context, QWidget* buttonRow, QBoxLayout* markBar, QWidget* owner,
    const std::function<void(const WindowCommand&)>& run,
    const std::function<void(const WindowCommand&)>& refused) {
  MenuMaker menus(bar);
  std::vector<CommandControls> controls;
  std::vector<std::pair<int, QToolButton*>> markButtons;
  for (const WindowCommand& command : WindowCommands()) {
    CommandControls c;
    c.command = &command;
    const WindowCommand* row = &command;
    if (command.caption != nullptr) {
      QMenu* into = menus.Into(command.menu);
      c.item = new QAction(QString::fromUtf8(command.caption), owner);
      c.item->setObjectName(command.id);
      if (command.shortcut != nullptr) {
        c.item->setShortcut(QKeySequence(QString::fromUtf8(command.shortcut)));
      }
      c.item->setCheckable(command.checkable);
      c.item->setEnabled(false);
      into->addAction(c.item);
      QObject::connect(c.item, &QAction::triggered, owner, [run, row] { run(*row); });
      if (command.edits && command.shortcut != nullptr) {
        c.readOnlyKey = new QShortcut(QKeySequence(QString::fromUtf8(command.shortcut)), owner);
        c.readOnlyKey->setEnabled(false);
        QObject::connect(c.readOnlyKey, &QShortcut::activated, owner, [refused, row] { refused(*row); });
      }
    }
    if (command.context.name != nullptr) {
      if (command.context.separatorBefore) context->addSeparator();
      c.context = context->addAction(QString::fromUtf8(command.context.caption));
      c.context->setObjectName(command.context.name);
      c.context->setEnabled(false);
      QObject::connect(c.context, &QAction::triggered, owner, [run, row] { run(*row); });
    }
    if (command.button.bar != ButtonBar::kNone) {
      QWidget* parent = command.button.bar == ButtonBar::kRow ? buttonRow : markBar->parentWidget();
      QToolButton* button = MakeButton(parent, command.button);
      if (command.button.bar == ButtonBar::kRow) {
        button->move(command.button.x, 0);
      } else {
        markButtons.emplace_back(command.button.x, button);
      }
      c.button = button;
      QObject::connect(button, &QAbstractButton::clicked, owner, [run, row] { run(*row); });
    }
    for (const char* key : command.windowKeys) {
      if (key == nullptr) continue;
      auto* shortcut = new QShortcut(QKeySequence(QString::fromUtf8(key)), owner);
      shortcut->setObjectName(command.id);
      if (QAction* item = c.item) {
        QObject::connect(shortcut, &QShortcut::activated, owner, [item, refused, row] {
          if (item->isEnabled()) {
            item->trigger();
          } else if (row->edits) {
            refused(*row);
          }
        });
      } else {
        QObject::connect(shortcut, &QShortcut::activated, owner, [run, row] { run(*row); });
      }
    }
    controls.push_back(c);
  }
  std::sort(markButtons.begin(), markButtons.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [order, button] : markButtons) markBar->addWidget(button);
  return controls;
}

}  // namespace qn

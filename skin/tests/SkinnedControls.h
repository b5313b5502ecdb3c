#pragma once
// One control of every skinned kind, as the skin tests make them: how to
// make it on a parent bound to an engine, its size, the point the mouse
// hovers and presses at, and the states it shows.

#include <QPoint>
#include <QString>
#include <functional>
#include <vector>

#include "platform/gui/Forms.h"
#include "skin/se_binding_bars.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_binding_controls.h"
#include "skin/se_binding_edits.h"
#include "skin/se_binding_lists.h"
#include "skin/se_binding_tabs.h"
#include "skin/se_binding_views.h"
#include "skin/se_engine.h"
#include "skin/se_skinmenus.h"
#include "skin/se_tabsheets.h"

namespace skintest {

enum class State { Normal, Hot, Pressed, Focused, Disabled };
inline const char* StateName(State s) {
  switch (s) {
    case State::Normal: return "normal";
    case State::Hot: return "hot";
    case State::Pressed: return "pressed";
    case State::Focused: return "focused";
    case State::Disabled: return "disabled";
  }
  return "?";
}

// One control: how to make it on a parent, its size, the point the mouse
// hovers and presses at, and the states it shows.
struct ControlCase {
  const char* name;
  int width;
  int height;
  std::function<TControl*(TWinControl* parent, TSeSkinEngine* engine)> make;
  QPoint at;
  std::vector<State> states;
  // Its overlay scroll bars lie over it on the parent: its picture is
  // taken from the parent.
  bool overlays = false;
};

// A control bound to the engine at (left, top) on its parent; the cases
// put theirs at (12, 12).
template <class T>
T* Child(TWinControl* parent, TSeSkinEngine* engine, int width, int height, int left = 12, int top = 12) {
  auto* control = Create<T>(parent);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  control->SetSkinEngine(engine);
  return control;
}

inline const std::vector<State> kAll = {State::Normal, State::Hot, State::Pressed, State::Focused, State::Disabled};
inline const std::vector<State> kNoFocus = {State::Normal, State::Hot, State::Pressed, State::Disabled};
inline const std::vector<State> kNoPress = {State::Normal, State::Hot, State::Focused, State::Disabled};
inline const std::vector<State> kPassive = {State::Normal, State::Hot, State::Disabled};

inline std::vector<ControlCase> Controls() {
  return {
      {"button", 90, 25,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinButton>(p, e, 90, 25);
         c->SetCaption("&Burn");
         return c;
       },
       {45, 12}, kAll},
      {"checkbox", 120, 20,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinCheckBox>(p, e, 120, 20);
         c->SetCaption("&Verify data");
         c->SetState(cbChecked);
         return c;
       },
       {8, 10}, kAll},
      {"radiobutton", 120, 20,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinRadioButton>(p, e, 120, 20);
         c->SetCaption("&Track at once");
         c->SetChecked(true);
         return c;
       },
       {8, 10}, kAll},
      {"groupbox", 150, 70,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinGroupBox>(p, e, 150, 70);
         c->SetCaption("Writing");
         return c;
       },
       {75, 35}, kPassive},
      {"label", 140, 16,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinLabel>(p, e, 140, 16);
         c->SetCaption("A label of the skin");
         return c;
       },
       {20, 8}, kPassive},
      {"speedbutton", 40, 26,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinSpeedButton>(p, e, 40, 26);
         c->SetCaption("OK");
         return c;
       },
       {20, 13}, kNoFocus},
      {"speedbutton-flat-chevron", 40, 26,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinSpeedButton>(p, e, 40, 26);
         c->SetCaption("4");
         c->SetFlat(true);
         c->SetShowChevron(true);
         return c;
       },
       {10, 13}, kNoFocus},
      {"spinbutton", 15, 22, [](TWinControl* p, TSeSkinEngine* e) { return Child<TSeSkinSpinButton>(p, e, 15, 22); },
       {7, 5}, kNoFocus},
      {"progressbar", 160, 16,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinProgressBar>(p, e, 160, 16);
         c->SetPosition(60);
         return c;
       },
       {80, 8}, kPassive},
      {"statusbar", 260, 22,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinStatusBar>(p, e, 260, 22);
         c->Panels()->Add()->SetText("Ready");
         c->Panels()->Items(0)->SetWidth(120);
         c->Panels()->Add()->SetText("700 MB");
         c->Panels()->Items(1)->SetWidth(100);
         return c;
       },
       {60, 11}, kPassive},
      {"toolbar", 200, 30,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinToolBar>(p, e, 200, 30);
         for (int i = 0; i < 3; ++i) {
           auto* b = Create<TSeSkinSpeedButton>(c);
           b->SetParent(c);
           b->SetBounds(i * 30, 0, 28, 26);
           b->SetCaption(QString::number(i + 1));
           b->SetFlat(true);
           b->SetSkinEngine(e);
         }
         return c;
       },
       {45, 13}, kNoFocus},
      {"controlbar", 260, 34,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinControlBar>(p, e, 260, 34);
         Child<TSeSkinToolBar>(c, e, 120, 26, 14, 2);
         return c;
       },
       {150, 17}, kPassive},
      {"listbox", 140, 80,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinListBox>(p, e, 140, 80);
         c->SetShowCheckBoxes(true);
         c->SetItems({"Audio CD", "Data disc", "Video DVD", "Image file", "Copy disc", "Erase", "Verify"});
         c->SetState(1, csChecked);
         c->SetItemIndex(1);
         return c;
       },
       {50, 40}, kAll},
      {"combobox", 140, 21,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinComboBox>(p, e, 140, 21);
         c->SetComboStyle(kcsDropDownList);
         c->SetItems({"ISO 9660", "Joliet"});
         c->SetItemIndex(1);
         return c;
       },
       {130, 10}, kNoPress},
      {"edit", 140, 21,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinEdit>(p, e, 140, 21);
         c->SetText("New disc");
         return c;
       },
       {100, 10}, kNoPress},
      {"editbutton", 140, 21,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinEditButton>(p, e, 140, 21);
         c->SetText("/home/disc");
         return c;
       },
       {60, 10}, kNoPress},
      {"spinedit", 80, 21,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinSpinEdit>(p, e, 80, 21);
         c->SetText("16");
         return c;
       },
       {30, 10}, kNoPress},
      {"scrollbar", 160, 17,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinScrollBar>(p, e, 160, 17);
         c->SetPosition(30);
         c->SetLargeChange(10);
         return c;
       },
       {8, 8}, kNoFocus},
      {"tabcontrol", 220, 80,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinTabControl>(p, e, 220, 80);
         c->SetTabs({"Data", "Audio", "Video"});
         c->SetTabIndex(0);
         return c;
       },
       {80, 10}, kAll},
      {"pagecontrol", 220, 80,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinPageControl>(p, e, 220, 80);
         for (const char* caption : {"&General", "&Burning"}) {
           auto* page = Create<TSeCustomTabSheet>(c);
           page->SetCaption(caption);
           page->SetTabControl(c);
         }
         c->SetActivePageIndex(1);
         return c;
       },
       {30, 10}, kAll},
      {"trackbar", 160, 45,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinTrackBar>(p, e, 160, 45);
         c->SetMin(0);
         c->SetMax(10);
         c->SetPosition(5);
         c->SetIntervalHighlightType(htLowInterval);
         return c;
       },
       {80, 15}, kAll},
      {"menubar", 200, 21,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinMenuBar>(p, e, 200, 21);
         for (const char* caption : {"&File", "&Edit", "&Help"}) {
           auto* item = new TSeSkinItem(nullptr);
           item->SetCaption(caption);
           c->Items()->Add(item);
         }
         return c;
       },
       {60, 10}, kPassive},
      {"memo", 140, 80,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinMemo>(p, e, 140, 80);
         c->SetScrollBars(ssVertical);
         QString text;
         for (int i = 1; i <= 12; ++i) text += QString("Track %1 of the disc\n").arg(i);
         c->SetText(text);
         return c;
       },
       {50, 40}, kNoPress, true},
      {"treeview", 140, 80,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinSTreeView>(p, e, 140, 80);
         TTreeNode* disc = c->Items()->Add(nullptr, "New disc");
         for (const char* folder : {"Music", "Photos", "Letters"}) c->Items()->AddChild(disc, folder);
         c->FullExpand();
         return c;
       },
       {50, 40}, kNoPress, true},
      {"listview", 140, 80,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinSListView>(p, e, 140, 80);
         c->SetViewStyle(vsList);
         for (int i = 1; i <= 12; ++i) c->Items()->Add()->SetCaption(QString("Track %1").arg(i));
         return c;
       },
       {50, 40}, kNoPress, true},
      {"scrollbox", 140, 80,
       [](TWinControl* p, TSeSkinEngine* e) {
         auto* c = Child<TSeSkinScrollBox>(p, e, 140, 80);
         Child<TSeSkinEdit>(c, e, 180, 21, 8, 8)->SetText("Wider than its box");
         Child<TSeSkinEdit>(c, e, 90, 21, 8, 90)->SetText("Below it");
         return c;
       },
       {50, 40}, kNoPress, true},
  };
}

}  // namespace skintest

// The accessibility bridge of the desktop back end: the game's drawing area exposes the item list
// the game hands over (SetAccessibleItems) as ATK objects, a board of cells as an ATK table, and
// speaks announcements through ATK's "announcement" signal. An action an assistive technology
// performs becomes a click in the ordered input, so the game's one input path handles it.
#include <atk/atk.h>
#include <gtk/gtk-a11y.h>

#include <cstring>
#include <string_view>
#include <vector>

#include "platform/accessible_action.h"
#include "platform/desktop_state.h"

using desktop::desk;

namespace {

// One accessible item: an ATK object standing for the item at `index` of the list.
struct ItemObject {
  AtkObject parent;
  int64_t index;
};
struct ItemObjectClass {
  AtkObjectClass parent;
};

// What the bridge holds: the list, the objects standing for its items, and each item's children.
struct Bridge {
  std::vector<AccessibleItem> items;
  std::vector<AtkObject*> objects;         // by item index, made when first needed
  std::vector<std::vector<int64_t>> kids;  // the items each item holds; the last entry: the area's own
  int64_t focus = -1;
  AtkObject* area = nullptr;  // the drawing area's accessible, not referenced (it lives with the widget)
};
Bridge bridge;

constexpr const char* ActionNames[] = {"click", "menu", "decrease", "increase"};
constexpr int64_t ActionBits[] = {ActionClick, ActionMenu, ActionDecrease, ActionIncrease};
constexpr int ActionKinds = 4;

GType ItemType();
GType TableType();

const AccessibleItem* ItemAt(int64_t index) {
  if (index < 0 || index >= static_cast<int64_t>(bridge.items.size())) return nullptr;
  return &bridge.items[static_cast<size_t>(index)];
}

const AccessibleItem* ItemOf(gpointer object) { return ItemAt(reinterpret_cast<ItemObject*>(object)->index); }

// The children of an item, or of the area for -1.
const std::vector<int64_t>* KidsOf(int64_t index) {
  if (bridge.kids.empty()) return nullptr;
  if (index < 0) return &bridge.kids.back();
  if (index >= static_cast<int64_t>(bridge.kids.size()) - 1) return nullptr;
  return &bridge.kids[static_cast<size_t>(index)];
}

// The object standing for item `index`, made on first use (no reference added).
AtkObject* ObjectFor(int64_t index) {
  if (index < 0 || index >= static_cast<int64_t>(bridge.items.size())) return nullptr;
  if (bridge.objects.size() < bridge.items.size()) bridge.objects.resize(bridge.items.size(), nullptr);
  AtkObject*& slot = bridge.objects[static_cast<size_t>(index)];
  if (!slot) {
    const bool table = bridge.items[static_cast<size_t>(index)].role == RoleTable;
    slot = ATK_OBJECT(g_object_new(table ? TableType() : ItemType(), nullptr));
    reinterpret_cast<ItemObject*>(slot)->index = index;
    atk_object_initialize(slot, nullptr);
    const int64_t parent = bridge.items[static_cast<size_t>(index)].parent;
    atk_object_set_parent(slot, parent >= 0 ? ObjectFor(parent) : bridge.area);
  }
  return slot;
}

AtkRole RoleOf(int64_t role) {
  switch (role) {
    case RolePushButton:
      return ATK_ROLE_PUSH_BUTTON;
    case RolePageTab:
      return ATK_ROLE_PAGE_TAB;
    case RolePageTabList:
      return ATK_ROLE_PAGE_TAB_LIST;
    case RoleTable:
      return ATK_ROLE_TABLE;
    case RoleTableCell:
      return ATK_ROLE_TABLE_CELL;
    case RolePanel:
      return ATK_ROLE_PANEL;
    case RoleList:
      return ATK_ROLE_LIST;
    case RoleListItem:
      return ATK_ROLE_LIST_ITEM;
    default:
      return ATK_ROLE_LABEL;
  }
}

// AtkObject: name, description, role, states, children and place from the list.
const gchar* ItemName(AtkObject* o) {
  const AccessibleItem* item = ItemOf(o);
  return item ? item->name : "";
}
const gchar* ItemDescription(AtkObject* o) {
  const AccessibleItem* item = ItemOf(o);
  return item ? item->description : "";
}
AtkRole ItemRole(AtkObject* o) {
  const AccessibleItem* item = ItemOf(o);
  return item ? RoleOf(item->role) : ATK_ROLE_INVALID;
}
AtkStateSet* ItemStates(AtkObject* o) {
  AtkStateSet* set = atk_state_set_new();
  const int64_t index = reinterpret_cast<ItemObject*>(o)->index;
  const AccessibleItem* item = ItemAt(index);
  if (!item) {
    atk_state_set_add_state(set, ATK_STATE_DEFUNCT);
    return set;
  }
  for (AtkStateType s : {ATK_STATE_ENABLED, ATK_STATE_SENSITIVE, ATK_STATE_VISIBLE, ATK_STATE_SHOWING})
    atk_state_set_add_state(set, s);
  if (item->actions != 0) atk_state_set_add_state(set, ATK_STATE_FOCUSABLE);
  if (item->states & StateCheckable) atk_state_set_add_state(set, ATK_STATE_CHECKABLE);
  if (item->states & StateChecked) atk_state_set_add_state(set, ATK_STATE_CHECKED);
  if (item->states & StateSelectable) atk_state_set_add_state(set, ATK_STATE_SELECTABLE);
  if (item->states & StateSelected) atk_state_set_add_state(set, ATK_STATE_SELECTED);
  if (index == bridge.focus) atk_state_set_add_state(set, ATK_STATE_FOCUSED);
  return set;
}
// The children an item object holds; none once its item is gone.
const std::vector<int64_t>* KidsOfObject(gpointer o) {
  const int64_t index = reinterpret_cast<ItemObject*>(o)->index;
  return index >= 0 ? KidsOf(index) : nullptr;
}

gint ItemChildCount(AtkObject* o) {
  const std::vector<int64_t>* kids = KidsOfObject(o);
  return kids ? static_cast<gint>(kids->size()) : 0;
}
AtkObject* ItemChild(AtkObject* o, gint i) {
  const std::vector<int64_t>* kids = KidsOfObject(o);
  if (!kids || i < 0 || i >= static_cast<gint>(kids->size())) return nullptr;
  AtkObject* child = ObjectFor((*kids)[static_cast<size_t>(i)]);
  return child ? ATK_OBJECT(g_object_ref(child)) : nullptr;
}
gint ItemIndexInParent(AtkObject* o) {
  const int64_t index = reinterpret_cast<ItemObject*>(o)->index;
  const AccessibleItem* item = ItemAt(index);
  if (!item) return -1;
  const std::vector<int64_t>* kids = KidsOf(item->parent);
  if (!kids) return -1;
  for (size_t i = 0; i < kids->size(); ++i)
    if ((*kids)[i] == index) return static_cast<gint>(i);
  return -1;
}

// The drawing area's origin in the coordinates asked for.
void AreaOrigin(AtkCoordType type, gint* ox, gint* oy) {
  *ox = *oy = 0;
  if (!desk.area || !gtk_widget_get_realized(desk.area)) return;
  GdkWindow* win = gtk_widget_get_window(desk.area);
  gdk_window_get_origin(win, ox, oy);
  if (type == ATK_XY_WINDOW && desk.window && gtk_widget_get_realized(desk.window)) {
    gint tx = 0, ty = 0;
    gdk_window_get_origin(gtk_widget_get_window(desk.window), &tx, &ty);
    *ox -= tx;
    *oy -= ty;
  }
}

// AtkComponent: the item's rectangle, logical pixels, as GTK's own accessibles report them.
void ItemExtents(AtkComponent* c, gint* x, gint* y, gint* w, gint* h, AtkCoordType type) {
  const AccessibleItem* item = ItemOf(c);
  if (!item) {
    *x = *y = *w = *h = -1;
    return;
  }
  gint ox = 0, oy = 0;
  if (type == ATK_XY_PARENT) {
    const AccessibleItem* parent = ItemAt(item->parent);
    if (parent) ox = -static_cast<gint>(parent->x), oy = -static_cast<gint>(parent->y);
  } else {
    AreaOrigin(type, &ox, &oy);
  }
  *x = static_cast<gint>(item->x) + ox;
  *y = static_cast<gint>(item->y) + oy;
  *w = static_cast<gint>(item->w);
  *h = static_cast<gint>(item->h);
}
gboolean ItemGrabFocus(AtkComponent*) { return FALSE; }

void ComponentInit(AtkComponentIface* iface) {
  iface->get_extents = ItemExtents;
  iface->grab_focus = ItemGrabFocus;
}

// AtkAction: the item's actions in a fixed order, each a queued click.
int64_t NthAction(const AccessibleItem* item, gint i) {
  if (!item) return 0;
  gint seen = 0;
  for (int k = 0; k < ActionKinds; ++k)
    if (item->actions & ActionBits[k]) {
      if (seen == i) return ActionBits[k];
      ++seen;
    }
  return 0;
}
gint ActionCount(AtkAction* a) {
  const AccessibleItem* item = ItemOf(a);
  gint n = 0;
  for (int k = 0; item && k < ActionKinds; ++k) n += (item->actions & ActionBits[k]) ? 1 : 0;
  return n;
}
const gchar* ActionName(AtkAction* a, gint i) {
  const int64_t bit = NthAction(ItemOf(a), i);
  for (int k = 0; k < ActionKinds; ++k)
    if (ActionBits[k] == bit) return ActionNames[k];
  return nullptr;
}
// Queued as input, which wakes the resting loop; dropped while a box is open, as a click on the
// covered window would be.
gboolean ActionDo(AtkAction* a, gint i) {
  const AccessibleItem* item = ItemOf(a);
  const int64_t bit = NthAction(item, i);
  if (bit == 0 || desk.openDialog) return FALSE;
  const ActionClickPoint click = ClickForAction(*item, bit);
  if (click.button == 0) return FALSE;
  desk.input.Click(click.button, click.x, click.y);
  return TRUE;
}
const gchar* ActionDescription(AtkAction* a, gint) { return ItemDescription(ATK_OBJECT(a)); }

void ActionInit(AtkActionIface* iface) {
  iface->get_n_actions = ActionCount;
  iface->get_name = ActionName;
  iface->do_action = ActionDo;
  iface->get_description = ActionDescription;
}

// AtkTable over the table's cells, found by their row and column.
int64_t CellIndexAt(AtkObject* table, gint row, gint column) {
  const std::vector<int64_t>* kids = KidsOfObject(table);
  if (!kids) return -1;
  for (size_t i = 0; i < kids->size(); ++i) {
    const AccessibleItem* cell = ItemAt((*kids)[i]);
    if (cell && cell->row == row && cell->column == column) return static_cast<int64_t>(i);
  }
  return -1;
}
AtkObject* TableRefAt(AtkTable* t, gint row, gint column) {
  return ItemChild(ATK_OBJECT(t), static_cast<gint>(CellIndexAt(ATK_OBJECT(t), row, column)));
}
gint TableIndexAt(AtkTable* t, gint row, gint column) {
  return static_cast<gint>(CellIndexAt(ATK_OBJECT(t), row, column));
}
// The largest row or column of the table's cells, plus one.
gint TableExtent(AtkTable* t, bool rows) {
  const std::vector<int64_t>* kids = KidsOfObject(t);
  int64_t n = 0;
  for (size_t i = 0; kids && i < kids->size(); ++i) {
    const AccessibleItem* cell = ItemAt((*kids)[i]);
    const int64_t v = cell ? (rows ? cell->row : cell->column) : -1;
    if (v + 1 > n) n = v + 1;
  }
  return static_cast<gint>(n);
}
gint TableRows(AtkTable* t) { return TableExtent(t, true); }
gint TableColumns(AtkTable* t) { return TableExtent(t, false); }
// A cell's row or column by its index among the table's children.
gint TablePlace(AtkTable* t, gint index, bool row) {
  const std::vector<int64_t>* kids = KidsOfObject(t);
  if (!kids || index < 0 || index >= static_cast<gint>(kids->size())) return -1;
  const AccessibleItem* cell = ItemAt((*kids)[static_cast<size_t>(index)]);
  return cell ? static_cast<gint>(row ? cell->row : cell->column) : -1;
}
gint TableRowAt(AtkTable* t, gint index) { return TablePlace(t, index, true); }
gint TableColumnAt(AtkTable* t, gint index) { return TablePlace(t, index, false); }

void TableInit(AtkTableIface* iface) {
  iface->ref_at = TableRefAt;
  iface->get_index_at = TableIndexAt;
  iface->get_row_at_index = TableRowAt;
  iface->get_column_at_index = TableColumnAt;
  iface->get_n_rows = TableRows;
  iface->get_n_columns = TableColumns;
}

void ItemClassInit(gpointer klass, gpointer) {
  AtkObjectClass* c = ATK_OBJECT_CLASS(klass);
  c->get_name = ItemName;
  c->get_description = ItemDescription;
  c->get_role = ItemRole;
  c->ref_state_set = ItemStates;
  c->get_n_children = ItemChildCount;
  c->ref_child = ItemChild;
  c->get_index_in_parent = ItemIndexInParent;
}

GType ItemType() {
  static GType type = 0;
  if (type == 0) {
    type = g_type_register_static_simple(ATK_TYPE_OBJECT, "KenoItemAccessible", sizeof(ItemObjectClass), ItemClassInit,
                                         sizeof(ItemObject), nullptr, GTypeFlags(0));
    const GInterfaceInfo component{reinterpret_cast<GInterfaceInitFunc>(+[](gpointer i, gpointer) {
                                     ComponentInit(static_cast<AtkComponentIface*>(i));
                                   }),
                                   nullptr, nullptr};
    const GInterfaceInfo action{reinterpret_cast<GInterfaceInitFunc>(
                                    +[](gpointer i, gpointer) { ActionInit(static_cast<AtkActionIface*>(i)); }),
                                nullptr, nullptr};
    g_type_add_interface_static(type, ATK_TYPE_COMPONENT, &component);
    g_type_add_interface_static(type, ATK_TYPE_ACTION, &action);
  }
  return type;
}

GType TableType() {
  static GType type = 0;
  if (type == 0) {
    type = g_type_register_static_simple(ItemType(), "KenoTableAccessible", sizeof(ItemObjectClass), nullptr,
                                         sizeof(ItemObject), nullptr, GTypeFlags(0));
    const GInterfaceInfo table{
        reinterpret_cast<GInterfaceInitFunc>(+[](gpointer i, gpointer) { TableInit(static_cast<AtkTableIface*>(i)); }),
        nullptr, nullptr};
    g_type_add_interface_static(type, ATK_TYPE_TABLE, &table);
  }
  return type;
}

// The drawing area's accessible: GTK's widget accessible whose children are the top-level items.
gint AreaChildCount(AtkObject*) { return bridge.kids.empty() ? 0 : static_cast<gint>(bridge.kids.back().size()); }
AtkObject* AreaChild(AtkObject*, gint i) {
  if (bridge.kids.empty() || i < 0 || i >= static_cast<gint>(bridge.kids.back().size())) return nullptr;
  AtkObject* child = ObjectFor(bridge.kids.back()[static_cast<size_t>(i)]);
  return child ? ATK_OBJECT(g_object_ref(child)) : nullptr;
}

void AreaAccessibleClassInit(gpointer klass, gpointer) {
  AtkObjectClass* c = ATK_OBJECT_CLASS(klass);
  c->get_n_children = AreaChildCount;
  c->ref_child = AreaChild;
}

GType AreaAccessibleType() {
  static GType type = 0;
  if (type == 0) {
    GTypeQuery q;
    g_type_query(GTK_TYPE_WIDGET_ACCESSIBLE, &q);
    type = g_type_register_static_simple(GTK_TYPE_WIDGET_ACCESSIBLE, "KenoAreaAccessible", q.class_size,
                                         AreaAccessibleClassInit, q.instance_size, nullptr, GTypeFlags(0));
  }
  return type;
}

void AreaClassInit(gpointer klass, gpointer) {
  gtk_widget_class_set_accessible_type(GTK_WIDGET_CLASS(klass), AreaAccessibleType());
}

GType AreaType() {
  static GType type = 0;
  if (type == 0) {
    GTypeQuery q;
    g_type_query(GTK_TYPE_DRAWING_AREA, &q);
    type = g_type_register_static_simple(GTK_TYPE_DRAWING_AREA, "KenoDrawingArea", q.class_size, AreaClassInit,
                                         q.instance_size, nullptr, GTypeFlags(0));
  }
  return type;
}

// Drops every object of the last window's list.
void ForgetObjects() {
  for (AtkObject* o : bridge.objects)
    if (o) {
      reinterpret_cast<ItemObject*>(o)->index = -1;
      g_object_unref(o);
    }
  bridge = Bridge{};
}

}  // namespace

namespace desktop {

GtkWidget* NewAccessibleArea() {
  ForgetObjects();
  GtkWidget* area = GTK_WIDGET(g_object_new(AreaType(), nullptr));
  bridge.area = gtk_widget_get_accessible(area);
  return area;
}

void ForgetAccessibleArea() { ForgetObjects(); }

}  // namespace desktop

// Takes the new list and tells assistive technologies what changed: children added or removed,
// names, and the checked and selected states.
void SetAccessibleItems(const AccessibleItem* items, int64_t count) {
  if (!desk.area || !bridge.area) return;
  std::vector<AccessibleItem> old = std::move(bridge.items);
  bridge.items.assign(items, items + (count > 0 ? count : 0));
  bridge.kids.assign(bridge.items.size() + 1, {});
  for (size_t i = 0; i < bridge.items.size(); ++i) {
    const int64_t p = bridge.items[i].parent;
    const size_t slot =
        p >= 0 && p < static_cast<int64_t>(bridge.items.size()) ? static_cast<size_t>(p) : bridge.items.size();
    bridge.kids[slot].push_back(static_cast<int64_t>(i));
  }
  // An object whose item changed kind is made again; the others follow their item.
  for (size_t i = 0; i < bridge.objects.size(); ++i) {
    AtkObject*& o = bridge.objects[i];
    if (!o) continue;
    const bool gone = i >= bridge.items.size() || i >= old.size() || old[i].role != bridge.items[i].role ||
                      old[i].parent != bridge.items[i].parent;
    if (gone) {
      AtkObject* parent = atk_object_get_parent(o);
      if (parent) g_signal_emit_by_name(parent, "children-changed::remove", -1, o);
      atk_object_notify_state_change(o, ATK_STATE_DEFUNCT, TRUE);
      reinterpret_cast<ItemObject*>(o)->index = -1;  // a reader still holding it finds no item
      g_object_unref(o);
      o = nullptr;
      continue;
    }
    const AccessibleItem& was = old[i];
    const AccessibleItem& now = bridge.items[i];
    if (std::strcmp(was.name, now.name) != 0) g_object_notify(G_OBJECT(o), "accessible-name");
    if (std::strcmp(was.description, now.description) != 0) g_object_notify(G_OBJECT(o), "accessible-description");
    if ((was.states ^ now.states) & StateChecked)
      atk_object_notify_state_change(o, ATK_STATE_CHECKED, (now.states & StateChecked) != 0);
    if ((was.states ^ now.states) & StateSelected)
      atk_object_notify_state_change(o, ATK_STATE_SELECTED, (now.states & StateSelected) != 0);
  }
  // New items, and items that came back as another kind, are announced to their parent.
  for (size_t i = 0; i < bridge.items.size(); ++i) {
    const bool fresh =
        i >= old.size() || old[i].role != bridge.items[i].role || old[i].parent != bridge.items[i].parent;
    if (!fresh) continue;
    const int64_t p = bridge.items[i].parent;
    AtkObject* parent = p >= 0 ? ObjectFor(p) : bridge.area;
    AtkObject* child = ObjectFor(static_cast<int64_t>(i));
    if (parent && child) g_signal_emit_by_name(parent, "children-changed::add", ItemIndexInParent(child), child);
  }
}

// Moves the focused state, and a table's active descendant with it.
void SetAccessibleFocus(int64_t index) {
  if (!bridge.area || index == bridge.focus) return;
  AtkObject* before = ObjectFor(bridge.focus);
  bridge.focus = index;
  if (before) atk_object_notify_state_change(before, ATK_STATE_FOCUSED, FALSE);
  AtkObject* now = ObjectFor(index);
  if (!now) return;
  atk_object_notify_state_change(now, ATK_STATE_FOCUSED, TRUE);
  const AccessibleItem* item = ItemAt(index);
  if (item && item->role == RoleTableCell) {
    AtkObject* table = ObjectFor(item->parent);
    if (table) g_signal_emit_by_name(table, "active-descendant-changed", now);
  }
}

// Spoken through the drawing area's accessible.
void Announce(std::string_view text) {
  if (!bridge.area) return;
  char line[AccessibleDescriptionBytes + AccessibleNameBytes];
  const size_t n = text.size() < sizeof line - 1 ? text.size() : sizeof line - 1;
  if (n > 0) std::memcpy(line, text.data(), n);
  line[n] = 0;
  g_signal_emit_by_name(bridge.area, "announcement", line);
}

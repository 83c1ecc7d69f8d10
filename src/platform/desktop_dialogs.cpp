// Desktop back end, modal boxes: the message box and the input box as GTK dialogs over the game
// window, which gets the focus back once they are answered.
#include <gtk/gtk.h>

#include <cstdio>
#include <iterator>
#include <string>

#include "platform/desktop_state.h"
#include "platform/platform.h"

namespace {

using desktop::desk;

// Shows a modal dialog over the game window and waits for its answer; a quit signal answers it
// as dismissed.
gint RunDialog(GtkWidget* dialog) {
  gtk_widget_show_all(dialog);
  gtk_window_present(GTK_WINDOW(dialog));
  desk.openDialog = dialog;
  const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
  desk.openDialog = nullptr;
  return response;
}

// Closes an answered dialog, lets pending events run, forgets input that went to the dialog or
// was queued before it opened, and gives the game window the focus back.
void FinishDialog(GtkWidget* dialog) {
  gtk_widget_destroy(dialog);
  desktop::DrainEvents();
  desk.input.Forget();
  if (desk.window) gtk_window_present(GTK_WINDOW(desk.window));
}

// "\r\n" and a lone "\r" both become one line break.
std::string UnixLineBreaks(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The text of a box on one line: each run of line breaks becomes one space.
std::string OneLine(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const bool lineBreak = c == '\r' || c == '\n';
    if (!lineBreak) {
      out += c;
    } else if (!out.empty() && out.back() != ' ') {
      out += ' ';
    }
  }
  return out;
}

// The dialog type and themed icon name of a box's icon flag (no icon: GTK_MESSAGE_OTHER, nullptr).
GtkMessageType MessageTypeOf(int64_t flags, const char** icon) {
  *icon = nullptr;
  if (flags & BoxIconError) {
    *icon = "dialog-error";
    return GTK_MESSAGE_ERROR;
  }
  if (flags & BoxIconWarning) {
    *icon = "dialog-warning";
    return GTK_MESSAGE_WARNING;
  }
  if (flags & BoxIconInfo) {
    *icon = "dialog-information";
    return GTK_MESSAGE_INFO;
  }
  return GTK_MESSAGE_OTHER;
}

// The answer of a box from the dialog's response; closing it is Dismissed.
BoxResult ResultOf(gint response) {
  switch (response) {
    case GTK_RESPONSE_OK:
    case GTK_RESPONSE_YES:
      return BoxResult::Yes;
    case GTK_RESPONSE_NO:
      return BoxResult::No;
    case GTK_RESPONSE_CANCEL:
      return BoxResult::Cancel;
    default:
      return BoxResult::Dismissed;
  }
}

}  // namespace

BoxResult ShowMessageBox(const std::string& title, const std::string& text, int64_t flags) {
  if (!desk.gtkReady) return BoxResult::Dismissed;
  // The game is ending on a signal: nobody is there to answer, but what the box says is kept.
  if (desk.quitAsked) {
    std::fprintf(stderr, "keno: %s: %s\n", title.c_str(), OneLine(text).c_str());
    desk.input.Forget();
    return BoxResult::Dismissed;
  }
  const char* icon = nullptr;
  const GtkMessageType type = MessageTypeOf(flags, &icon);
  const int64_t buttons = flags & 3;
  GtkWidget* dialog =
      gtk_message_dialog_new(desk.window ? GTK_WINDOW(desk.window) : nullptr, GTK_DIALOG_MODAL, type,
                             buttons == BoxOk ? GTK_BUTTONS_OK : GTK_BUTTONS_NONE, "%s", UnixLineBreaks(text).c_str());
  if (buttons == BoxYesNo || buttons == BoxYesNoCancel) {
    gtk_dialog_add_button(GTK_DIALOG(dialog), "_Yes", GTK_RESPONSE_YES);
    gtk_dialog_add_button(GTK_DIALOG(dialog), "_No", GTK_RESPONSE_NO);
    if (buttons == BoxYesNoCancel) gtk_dialog_add_button(GTK_DIALOG(dialog), "_Cancel", GTK_RESPONSE_CANCEL);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_YES);
  }
  // GTK 3 no longer shows the icon of the message type by itself.
  if (icon && gtk_icon_theme_has_icon(gtk_icon_theme_get_default(), icon)) {
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_message_dialog_set_image(GTK_MESSAGE_DIALOG(dialog), gtk_image_new_from_icon_name(icon, GTK_ICON_SIZE_DIALOG));
    G_GNUC_END_IGNORE_DEPRECATIONS
  }
  gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
  gtk_window_set_position(GTK_WINDOW(dialog), desk.window ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
  const gint response = RunDialog(dialog);
  FinishDialog(dialog);
  return ResultOf(response);
}

std::string ShowInputBox(const std::string& title, const std::string& prompt, const std::string& initial) {
  if (!desk.gtkReady) return "";
  if (desk.quitAsked) {
    desk.input.Forget();
    return "";
  }
  GtkWidget* dialog = gtk_dialog_new_with_buttons(title.c_str(), desk.window ? GTK_WINDOW(desk.window) : nullptr,
                                                  GTK_DIALOG_MODAL, "_OK", GTK_RESPONSE_OK, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);

  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
  gtk_container_set_border_width(GTK_CONTAINER(box), 12);
  GtkWidget* label = gtk_label_new(UnixLineBreaks(prompt).c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  GtkWidget* entry = gtk_entry_new();
  gtk_entry_set_text(GTK_ENTRY(entry), initial.c_str());
  gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
  gtk_box_pack_start(GTK_BOX(box), label, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), entry, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), box, TRUE, TRUE, 0);
  gtk_widget_grab_focus(entry);

  std::string answer;
  if (RunDialog(dialog) == GTK_RESPONSE_OK) answer = gtk_entry_get_text(GTK_ENTRY(entry));
  FinishDialog(dialog);
  return answer;
}

namespace {

// Keeps the file chooser's answer for the loop that waits for it.
void OnChooserResponse(GtkNativeDialog*, gint response, gpointer answer) { *static_cast<gint*>(answer) = response; }

}  // namespace

std::string ChooseExportFile(const std::string& title, const std::string& suggestedName) {
  if (!desk.gtkReady) return "";
  if (desk.quitAsked) {
    desk.input.Forget();
    return "";
  }
  GtkFileChooserNative* native = gtk_file_chooser_native_new(
      title.c_str(), desk.window ? GTK_WINDOW(desk.window) : nullptr, GTK_FILE_CHOOSER_ACTION_SAVE, "_Save", "_Cancel");
  GtkNativeDialog* dialog = GTK_NATIVE_DIALOG(native);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(native);
  gtk_native_dialog_set_modal(dialog, TRUE);
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
  gtk_file_chooser_set_current_name(chooser, suggestedName.c_str());
  // The native dialog is not a GtkDialog, so it runs in a loop of ours rather than
  // gtk_native_dialog_run: a quit signal hides it (desktop_endings.cpp) and the loop ends.
  gint response = GTK_RESPONSE_NONE;
  const gulong handler = g_signal_connect(native, "response", G_CALLBACK(OnChooserResponse), &response);
  desk.openChooser = dialog;
  gtk_native_dialog_show(dialog);
  while (response == GTK_RESPONSE_NONE && !desk.quitAsked) gtk_main_iteration();
  desk.openChooser = nullptr;
  std::string path;
  if (response == GTK_RESPONSE_ACCEPT && !desk.quitAsked) {
    gchar* name = gtk_file_chooser_get_filename(chooser);
    if (name != nullptr) path = name;
    g_free(name);
  }
  g_signal_handler_disconnect(native, handler);
  gtk_native_dialog_hide(dialog);
  g_object_unref(native);
  desktop::DrainEvents();
  desk.input.Forget();
  if (desk.window) gtk_window_present(GTK_WINDOW(desk.window));
  return path;
}

namespace {

// One key of the shortcuts window: its accelerator (several, separated by spaces) and what it does.
struct ShortcutLine {
  const char* accelerator;
  const char* title;
};
constexpr ShortcutLine PlayKeys[] = {
    {"space", "Draw, or stop auto-run; hold for a second to start auto-run"},
    {"Escape", "Save and quit"},
    {"0", "Show the Main tab"},
    {"1 2 3 4", "Show Card 1 to 4"},
    {"m", "Sound on or off"},
    {"h", "History"},
    {"v", "High-visibility marks on or off"},
    {"F1", "These keyboard shortcuts"},
};
constexpr ShortcutLine FocusKeys[] = {
    {"Tab <Shift>Tab", "Focus the next or the previous group: the controls, the tabs, the board"},
    {"Left Right", "Move in the group; on Speed and Bet/Card, lower or raise the value"},
    {"Up Down", "Move on the board"},
    {"Home End", "First or last item of the group, or of the board's row"},
    {"Return", "Click the focused item"},
    {"<Shift>F10 Menu", "Right-click the focused item"},
};
constexpr ShortcutLine HistoryKeys[] = {
    {"Up Down", "Move the list's selection"},
    {"Page_Up Page_Down", "A page of the list"},
    {"Home End", "Newest or oldest draw of the list"},
    {"Return", "Recall the selected draw"},
    {"a", "The chart over the last 1,000 events or over all"},
};
constexpr ShortcutLine RecallKeys[] = {
    {"Left Right", "Older or newer draw"},
    {"Home End", "First or last draw"},
};

// A titled group of keys for the window's one section.
GtkWidget* ShortcutsGroup(const char* title, const ShortcutLine* lines, size_t count) {
  GtkWidget* group = GTK_WIDGET(g_object_new(GTK_TYPE_SHORTCUTS_GROUP, "title", title, "visible", TRUE, nullptr));
  for (size_t i = 0; i < count; ++i) {
    GtkWidget* key = GTK_WIDGET(g_object_new(GTK_TYPE_SHORTCUTS_SHORTCUT, "accelerator", lines[i].accelerator, "title",
                                             lines[i].title, "visible", TRUE, nullptr));
    gtk_container_add(GTK_CONTAINER(group), key);
  }
  return group;
}

}  // namespace

// Opens the window, or raises it when it is open already; it forgets itself when it closes.
void ShowKeyboardShortcuts() {
  if (!desk.gtkReady || desk.quitAsked) return;
  if (desk.shortcuts) {
    gtk_window_present(GTK_WINDOW(desk.shortcuts));
    return;
  }
  GtkWidget* section =
      GTK_WIDGET(g_object_new(GTK_TYPE_SHORTCUTS_SECTION, "section-name", "keys", "visible", TRUE, nullptr));
  gtk_container_add(GTK_CONTAINER(section), ShortcutsGroup("Play", PlayKeys, std::size(PlayKeys)));
  gtk_container_add(GTK_CONTAINER(section), ShortcutsGroup("Keyboard focus", FocusKeys, std::size(FocusKeys)));
  gtk_container_add(GTK_CONTAINER(section), ShortcutsGroup("History", HistoryKeys, std::size(HistoryKeys)));
  gtk_container_add(GTK_CONTAINER(section), ShortcutsGroup("A recalled draw", RecallKeys, std::size(RecallKeys)));
  GtkWidget* window = GTK_WIDGET(g_object_new(GTK_TYPE_SHORTCUTS_WINDOW, "modal", FALSE, nullptr));
  gtk_container_add(GTK_CONTAINER(window), section);
  if (desk.window) gtk_window_set_transient_for(GTK_WINDOW(window), GTK_WINDOW(desk.window));
  g_signal_connect(window, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer) { desk.shortcuts = nullptr; }), nullptr);
  desk.shortcuts = window;
  gtk_widget_show_all(window);
  gtk_window_present(GTK_WINDOW(window));
}

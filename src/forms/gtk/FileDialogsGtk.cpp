#include "forms/Application.h"
#include "forms/FileDialogs.h"
#include "forms/gtk/FormImpl.h"
#include "forms/gtk/OwnedWidget.h"

#include "base/glib/GLibPtr.h"

#include <filesystem>
#include <memory>

namespace Forms {

namespace {

gboolean FilterMatches(const GtkFileFilterInfo* Info, gpointer Data) {
    const auto* item = static_cast<const TFileTypeItem*>(Data);
    return Info->display_name != nullptr && item->Matches(Info->display_name);
}

// GTK's own patterns are case-sensitive and "*.*" needs a dot: every filter matches by our rule.
void AddFilter(GtkFileChooser* Chooser, const TFileTypeItem& Item) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, Item.DisplayName.c_str());
    auto copy = std::make_unique<TFileTypeItem>(Item);
    gtk_file_filter_add_custom(
        filter, GTK_FILE_FILTER_DISPLAY_NAME, &FilterMatches, copy.release(),
        [](gpointer Data) { const std::unique_ptr<TFileTypeItem> owned(static_cast<TFileTypeItem*>(Data)); });
    gtk_file_chooser_add_filter(Chooser, filter);
}

// Starts the dialog at the given name or path: an existing file is selected; otherwise its
// folder is opened and, when saving, the name is filled in.
void ApplyFileName(GtkFileChooser* Chooser, const std::string& FileName, bool Save) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path current = fs::current_path(ec);
    if (FileName.empty()) {
        if (!current.empty()) {
            gtk_file_chooser_set_current_folder(Chooser, current.c_str());
        }
        return;
    }
    const fs::path path = current.empty() ? fs::path(FileName) : current / FileName;
    if (fs::is_regular_file(path, ec)) {
        gtk_file_chooser_set_filename(Chooser, path.c_str());
        return;
    }
    if (fs::is_directory(path.parent_path(), ec)) {
        gtk_file_chooser_set_current_folder(Chooser, path.parent_path().c_str());
    }
    if (Save) {
        gtk_file_chooser_set_current_name(Chooser, path.filename().c_str());
    }
}

} // namespace

bool TCustomFileDialog::Execute() {
    if (!Application().Initialized()) {
        return false;
    }
    const bool save = FKind == TKind::Save;
    TForm* owner = Application().ActiveForm();
    GtkWindow* parent = owner != nullptr ? owner->FormImpl().Window : nullptr;
    const std::string title = !FTitle.empty() ? FTitle : (save ? "Save As" : "Open");
    const TOwnedWidget dialog = OwnWidget(gtk_file_chooser_dialog_new(
        title.c_str(), parent, save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
        GTK_RESPONSE_CANCEL, save ? "_Save" : "_Open", GTK_RESPONSE_ACCEPT, nullptr));
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog.get());
    gtk_dialog_set_default_response(GTK_DIALOG(dialog.get()), GTK_RESPONSE_ACCEPT);
    gtk_window_set_modal(GTK_WINDOW(dialog.get()), TRUE);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, save && (FOptions & fdoOverWritePrompt) != 0);
    for (const TFileTypeItem& item : FFileTypes) {
        AddFilter(chooser, item);
    }
    ApplyFileName(chooser, FFileName, save);

    const gint response = gtk_dialog_run(GTK_DIALOG(dialog.get()));
    if (response != GTK_RESPONSE_ACCEPT) {
        return false;
    }
    const Base::GLib::TGString chosen(gtk_file_chooser_get_filename(chooser));
    if (!chosen) {
        return false;
    }
    FFileName = chosen.get();
    return true;
}

} // namespace Forms

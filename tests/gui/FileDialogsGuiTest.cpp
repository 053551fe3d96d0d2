// The open and save dialogs as GTK shows them: looked at while they run (title, filters and
// what each filter lets through, name field, overwrite prompt, owner) and answered.
#include <gtest/gtest.h>

#include "support/Display.h"

#include "forms/Application.h"
#include "forms/FileDialogs.h"
#include "forms/Forms.h"
#include "forms/gtk/FormImpl.h"

#include <gtk/gtk.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

using namespace Forms;
using namespace GuiTest;
namespace fs = std::filesystem;

namespace {

// What a running file chooser showed.
struct TSeen {
    std::string Title;
    std::vector<std::string> Filters;
    std::vector<std::vector<bool>> Lets; // per filter, per probe name
    std::string CurrentName;
    std::string Folder;
    bool OverwritePrompt = false;
    bool Modal = false;
    GtkWindow* Owner = nullptr;
};

const std::vector<std::string> ProbeNames = {"notes.TXT", "README", "photo.Jpg", "a.txt.bak"};

GtkFileChooser* RunningChooser() {
    GtkFileChooser* found = nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w != nullptr; w = w->next) {
        if (GTK_IS_FILE_CHOOSER_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data))) {
            found = GTK_FILE_CHOOSER(w->data);
        }
    }
    g_list_free(windows);
    return found;
}

// Runs Dialog; while it is shown, records what it shows and answers with Response (after
// Prepare, which may type a name).
bool RunAndAnswer(TCustomFileDialog& Dialog, TSeen& Seen, gint Response,
                  const std::function<void(GtkFileChooser*)>& Prepare = {}) {
    struct TState {
        TSeen* Seen;
        gint Response;
        std::function<void(GtkFileChooser*)> Prepare;
        int Ticks = 0;
    } state{&Seen, Response, Prepare};
    g_timeout_add(
        50,
        [](gpointer Data) -> gboolean {
            auto* s = static_cast<TState*>(Data);
            GtkFileChooser* chooser = RunningChooser();
            // Give the chooser time to load its folder and select the file it was given.
            if (chooser == nullptr || ++s->Ticks < 10) {
                return G_SOURCE_CONTINUE;
            }
            TSeen& seen = *s->Seen;
            seen.Title = gtk_window_get_title(GTK_WINDOW(chooser));
            GSList* filters = gtk_file_chooser_list_filters(chooser);
            for (GSList* f = filters; f != nullptr; f = f->next) {
                GtkFileFilter* filter = GTK_FILE_FILTER(f->data);
                seen.Filters.emplace_back(gtk_file_filter_get_name(filter));
                std::vector<bool> lets;
                for (const std::string& name : ProbeNames) {
                    GtkFileFilterInfo info{};
                    info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
                    info.display_name = name.c_str();
                    lets.push_back(gtk_file_filter_filter(filter, &info) != FALSE);
                }
                seen.Lets.push_back(lets);
            }
            g_slist_free(filters);
            if (gtk_file_chooser_get_action(chooser) == GTK_FILE_CHOOSER_ACTION_SAVE) {
                std::unique_ptr<gchar, decltype(&g_free)> name(gtk_file_chooser_get_current_name(chooser),
                                                               &g_free);
                seen.CurrentName = name ? name.get() : "";
            }
            std::unique_ptr<gchar, decltype(&g_free)> folder(gtk_file_chooser_get_current_folder(chooser),
                                                             &g_free);
            seen.Folder = folder ? folder.get() : "";
            seen.OverwritePrompt = gtk_file_chooser_get_do_overwrite_confirmation(chooser) != FALSE;
            seen.Modal = gtk_window_get_modal(GTK_WINDOW(chooser)) != FALSE;
            seen.Owner = gtk_window_get_transient_for(GTK_WINDOW(chooser));
            if (s->Prepare) {
                s->Prepare(chooser);
            }
            gtk_dialog_response(GTK_DIALOG(chooser), s->Response);
            return G_SOURCE_REMOVE;
        },
        &state);
    return Dialog.Execute();
}

class FileDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "vtr-dialogs-XXXXXX").string();
        FDir = fs::canonical(mkdtemp(tmpl.data()));
        std::ofstream(FDir / "existing.txt") << "x";
    }
    void TearDown() override { fs::remove_all(FDir); }
    fs::path FDir;
};

} // namespace

TEST_F(FileDialogs, OpenOffersOurFiltersOwnedByTheActiveForm) {
    TForm owner;
    owner.SetCaption("vtr dialog owner");
    owner.Show();
    ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(GTK_WIDGET(owner.FormImpl().Window)); }));

    TFileOpenDialog dialog;
    dialog.SetTitle("Pick a file");
    dialog.FileTypes() = {{"Text files", "*.txt"}, {"All files", "*.*"}, {"Pictures", "*.png;*.jpg"}};
    dialog.SetFileName((FDir / "existing.txt").string());
    TSeen seen;
    EXPECT_TRUE(RunAndAnswer(dialog, seen, GTK_RESPONSE_ACCEPT));
    EXPECT_EQ(dialog.FileName(), (FDir / "existing.txt").string());
    EXPECT_EQ(seen.Title, "Pick a file");
    EXPECT_EQ(seen.Filters, (std::vector<std::string>{"Text files", "All files", "Pictures"}));
    // notes.TXT, README, photo.Jpg, a.txt.bak
    EXPECT_EQ(seen.Lets,
              (std::vector<std::vector<bool>>{
                  {true, false, false, false}, {true, true, true, true}, {false, false, true, false}}));
    EXPECT_EQ(seen.Folder, FDir.string());
    EXPECT_TRUE(seen.Modal);
    EXPECT_EQ(seen.Owner, owner.FormImpl().Window);
    EXPECT_FALSE(seen.OverwritePrompt);
}

TEST_F(FileDialogs, CancelKeepsNothingAndAnEmptyTitleIsTheDialogsOwn) {
    TFileOpenDialog dialog;
    TSeen seen;
    EXPECT_FALSE(RunAndAnswer(dialog, seen, GTK_RESPONSE_CANCEL));
    EXPECT_EQ(seen.Title, "Open");
    EXPECT_TRUE(seen.Filters.empty());
    // Closed by the window manager counts as cancelled too.
    EXPECT_FALSE(RunAndAnswer(dialog, seen, GTK_RESPONSE_DELETE_EVENT));
}

TEST_F(FileDialogs, SaveStartsWithTheNameAndAsksBeforeReplacingOnlyWhenTold) {
    TFileSaveDialog dialog;
    dialog.SetFileName((FDir / "report.csv").string());
    TSeen seen;
    EXPECT_TRUE(RunAndAnswer(dialog, seen, GTK_RESPONSE_ACCEPT));
    EXPECT_EQ(seen.Title, "Save As");
    EXPECT_EQ(seen.CurrentName, "report.csv");
    EXPECT_EQ(seen.Folder, FDir.string());
    EXPECT_FALSE(seen.OverwritePrompt);
    EXPECT_EQ(dialog.FileName(), (FDir / "report.csv").string());

    dialog.SetOptions(fdoOverWritePrompt);
    dialog.SetFileName("plain-name.txt");
    TSeen asked;
    EXPECT_TRUE(RunAndAnswer(dialog, asked, GTK_RESPONSE_ACCEPT));
    EXPECT_TRUE(asked.OverwritePrompt);
    EXPECT_EQ(asked.CurrentName, "plain-name.txt");
    EXPECT_EQ(dialog.FileName(), (fs::current_path() / "plain-name.txt").string());
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (at build time) needs no display; running them does.
    Application().Initialize();
    return RUN_ALL_TESTS();
}

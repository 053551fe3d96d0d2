#pragma once

// The native dialogs that ask for a file to open or a file name to save under.

#include "forms/Classes.h"

#include <string>
#include <string_view>
#include <vector>

namespace Forms {

// One filter of a file dialog: a display name and a mask of "*" and "?" patterns, several
// separated by ";". Masks ignore letter case, and "*.*" matches every name, as users of
// Windows dialogs expect (with or without an extension).
struct TFileTypeItem {
    std::string DisplayName;
    std::string FileMask;

    bool Matches(std::string_view FileName) const;
};

enum TFileDialogOption : unsigned {
    fdoOverWritePrompt = 1u << 0, // the save dialog asks before replacing an existing file
};
using TFileDialogOptions = unsigned;

// What the open and save dialogs share. A dialog keeps its settings between runs; each run
// shows a new native dialog made from them.
class TCustomFileDialog : public TObject {
public:
    ~TCustomFileDialog() override = default;

    // Before a run: the name (or path) to start with; after a confirmed run: the chosen
    // file's full path.
    const std::string& FileName() const { return FFileName; }
    void SetFileName(const std::string& Value) { FFileName = Value; }
    // Empty: the dialog's own title.
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }
    std::vector<TFileTypeItem>& FileTypes() { return FFileTypes; }
    const std::vector<TFileTypeItem>& FileTypes() const { return FFileTypes; }
    TFileDialogOptions Options() const { return FOptions; }
    void SetOptions(TFileDialogOptions Value) { FOptions = Value; }

    // Shows the dialog modally, owned by the active form. True when the user confirmed a
    // file; false when the dialog was cancelled or cannot be shown (no display).
    bool Execute();

protected:
    enum class TKind { Open, Save };
    explicit TCustomFileDialog(TKind Kind) : FKind(Kind) {}

private:
    TKind FKind;
    std::string FFileName;
    std::string FTitle;
    std::vector<TFileTypeItem> FFileTypes;
    TFileDialogOptions FOptions = 0;
};

// Asks for a file to open. A typed name of a file that does not exist is accepted too.
class TFileOpenDialog : public TCustomFileDialog {
public:
    TFileOpenDialog() : TCustomFileDialog(TKind::Open) {}
};

// Asks for a file name to save under.
class TFileSaveDialog : public TCustomFileDialog {
public:
    TFileSaveDialog() : TCustomFileDialog(TKind::Save) {}
};

} // namespace Forms

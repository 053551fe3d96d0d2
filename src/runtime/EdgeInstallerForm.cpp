#include "runtime/EdgeInstallerForm.h"

#include "forms/BorderIcons.h"

namespace Runtime {

namespace {

constexpr int ClientSize = 80;
// The corners are ellipses of 4 x 4 pixels.
constexpr int CornerRadius = 2;

} // namespace

TEdgeInstallerForm::TEdgeInstallerForm() : FActivityIndicator(std::make_unique<Forms::TActivityIndicator>()) {
    SetCaption("EdgeInstallerForm");
    SetBorderStyle(Forms::bsNone);
    SetPosition(Forms::poScreenCenter);
    SetClientSize(ClientSize, ClientSize);
    SetColor(Forms::ColorToRGB(Forms::clHotLight));

    Forms::TActivityIndicator& indicator = *FActivityIndicator;
    indicator.SetParent(this);
    indicator.SetIndicatorSize(Forms::aisXLarge);
    indicator.SetBounds(9, 8, indicator.Width(), indicator.Height());
    indicator.SetIndicatorColor(Forms::aicWhite);
    indicator.SetIndicatorType(Forms::aitMomentumDots);
    indicator.SetAnimate(true);

    OnCloseQuery = [this](Forms::TObject* Sender, bool& CanClose) { FormCloseQuery(Sender, CanClose); };
    FormCreate(this);
}

TEdgeInstallerForm::~TEdgeInstallerForm() = default;

void TEdgeInstallerForm::FormCreate(Forms::TObject* /*Sender*/) {
    SetBorderStyle(Forms::bsNone);
    SetRoundedRegion();
}

void TEdgeInstallerForm::FormCloseQuery(Forms::TObject* /*Sender*/, bool& CanClose) {
    // The installer decides when this ends: the process ends with the splash on screen.
    CanClose = false;
}

void TEdgeInstallerForm::WindowCreated() {
    Win11Forms::TForm::WindowCreated();
    // A plain pop-up: no window menu, nothing to resize by.
    Forms::ApplyBorderIcons(*this, 0);
    // An application that is starting: over the window and the indicator alike.
    SetCursorName("progress");
}

void TEdgeInstallerForm::SetRoundedRegion() {
    Forms::TForm::SetRoundedRegion(CornerRadius);
}

void TEdgeInstallerForm::SetBackgroundColor(Forms::TColor Value) {
    SetColor(Forms::ColorToRGB(Value));
}

void TEdgeInstallerForm::SetIndicatorColor(int Value) {
    if (Value == Forms::aicBlack || Value == Forms::aicWhite) {
        FActivityIndicator->SetIndicatorColor(static_cast<Forms::TActivityIndicatorColor>(Value));
    }
}

void TEdgeInstallerForm::SetIndicatorType(int Value) {
    if (Value >= Forms::aitMomentumDots && Value <= Forms::aitSectorRing) {
        FActivityIndicator->SetIndicatorType(static_cast<Forms::TActivityIndicatorType>(Value));
    }
}

} // namespace Runtime

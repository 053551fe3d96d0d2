#pragma once

// Common controls: the progress bar.

#include "forms/WinControl.h"

#include <memory>

namespace Forms {

enum TProgressBarStyle { pbstNormal, pbstMarquee };

class TProgressBar : public TWinControl {
public:
    TProgressBar();
    ~TProgressBar() override;

    TProgressBarStyle Style() const { return FStyle; }
    void SetStyle(TProgressBarStyle Value);
    int Position() const { return FPosition; }
    void SetPosition(int Value);
    int Max() const { return FMax; }
    void SetMax(int Value);

protected:
    TNativeWidget* CreateNativeWidget(TNativeWidget*& ClientArea) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void VisibleChanged() override;

private:
    void UpdateNative();
    void StartPulse();
    void StopPulse();

    TProgressBarStyle FStyle = pbstNormal;
    int FPosition = 0;
    int FMax = 100;
    struct TPulse; // the marquee's timer
    std::unique_ptr<TPulse> FPulse;
};

} // namespace Forms

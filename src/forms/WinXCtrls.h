#pragma once

// The activity indicator: an animation that shows that work is going on.

#include "forms/RasterImage.h"
#include "forms/WinControl.h"

namespace Forms {

enum TActivityIndicatorType { aitMomentumDots, aitRotatingSector, aitSectorRing };
enum TActivityIndicatorColor { aicBlack, aicWhite };
// 24, 32, 48 and 64 pixels square.
enum TActivityIndicatorSize { aisSmall, aisMedium, aisLarge, aisXLarge };

int ActivityIndicatorPixels(TActivityIndicatorSize Size);

class TActivityIndicator : public TWinControl {
public:
    TActivityIndicator();
    ~TActivityIndicator() override;

    TActivityIndicatorType IndicatorType() const { return FIndicatorType; }
    void SetIndicatorType(TActivityIndicatorType Value);
    TActivityIndicatorColor IndicatorColor() const { return FIndicatorColor; }
    void SetIndicatorColor(TActivityIndicatorColor Value);
    TActivityIndicatorSize IndicatorSize() const { return FIndicatorSize; }
    // Also sets Width and Height to the size's pixels.
    void SetIndicatorSize(TActivityIndicatorSize Value);
    bool Animate() const { return FAnimate; }
    void SetAnimate(bool Value);
    // Milliseconds between frames.
    int FrameDelay() const { return FFrameDelay; }
    void SetFrameDelay(int Value);

    // The frame shown Seconds after the animation started, on a transparent background.
    static TRasterImage RenderFrame(TActivityIndicatorType Type, TActivityIndicatorColor Color,
                                    TActivityIndicatorSize Size, double Seconds);

    struct TIndicatorImpl;

protected:
    TNativeWidget* CreateNativeWidget(TNativeWidget*& ClientArea) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void VisibleChanged() override;

private:
    void UpdateTimer();
    void Redraw();

    std::unique_ptr<TIndicatorImpl> FIndicatorImpl;
    TActivityIndicatorType FIndicatorType = aitMomentumDots;
    TActivityIndicatorColor FIndicatorColor = aicBlack;
    TActivityIndicatorSize FIndicatorSize = aisMedium;
    bool FAnimate = false;
    int FFrameDelay = 40;
};

} // namespace Forms

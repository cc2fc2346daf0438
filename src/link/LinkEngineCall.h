#pragma once

#include "link/LinkEngine.h"

// Every public entry point of LinkEngine opens one of these: at the end of the outermost
// call the owner hears whether the screen or the controls changed.
class EngineCall {
 public:
  explicit EngineCall(LinkEngine& engine) : engine_(engine) {
    if (engine_.callDepth_++ == 0 && engine_.owner_) {
      controls_ = engine_.controls_;
      leds_ = engine_.leds_;
    }
  }
  ~EngineCall() {
    if (--engine_.callDepth_ != 0 || !engine_.owner_) return;
    if (engine_.screenChanged_) {
      engine_.screenChanged_ = false;
      engine_.owner_->screenChanged();
    }
    const bool ledsChanged =
        leds_.page14Lit != engine_.leds_.page14Lit || leds_.page58Lit != engine_.leds_.page58Lit;
    if (ledsChanged || !(controls_ == engine_.controls_)) engine_.owner_->controlsChanged();
  }
  EngineCall(const EngineCall&) = delete;
  EngineCall& operator=(const EngineCall&) = delete;

 private:
  LinkEngine& engine_;
  LinkControls controls_;
  PageIndicators leds_;
};

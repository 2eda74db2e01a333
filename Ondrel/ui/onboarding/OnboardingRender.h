#pragma once

// The render mode of the onboarding (see OnboardingRenderer::outputDir in Onboarding.h):
// every onboarding state as a PNG, for screenshots without clicking through the sheet.
namespace OnboardingRenderer {

// Returns at once when the render switch is unset or empty. Otherwise draws every state
// into the switch's folder (made when missing) at twice its size, overwriting files of the
// same names, prints a line to stderr for each picture not written, and ends the process:
// status 0 when every picture was written, 1 when one is missing. Call it before any other
// launch work: nothing else of the application runs in render mode.
void runIfRequested();

} // namespace OnboardingRenderer

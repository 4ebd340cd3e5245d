// What the program's frame is measured against, on the renderer's device with its scene:
//   the baseline: only what the picture needs, with shaders, constants and the vertex declaration
//   bound once before its rounds, then per frame one clear, the two draws and Present;
//   clear and Present alone.
#pragma once

void BindBaselineState();
void BaselineFrame();
void ClearAndPresent();
void BindNothing();

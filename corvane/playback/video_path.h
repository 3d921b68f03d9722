#pragma once

// How the video windows put pictures on screen: through OpenGL (the
// library hands over 4:2:0 pictures, converted and scaled by the graphics
// processor) or in software (the library converts, Qt scales). Chosen once
// per process: CORVANE_VIDEO=gl or =software decides; otherwise OpenGL when
// a context can be made current on this display.
enum class VideoPath { kSoftware, kOpenGl };

VideoPath ChosenVideoPath();

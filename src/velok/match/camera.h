// Camera: follows the outermost fighters within the stage's bounds; draws the stage's back layers around it.
#pragma once

// Camera, target and integer copies to the position.
void CameraSetPos(float x, float y);
void CameraUpdate();
// The back layers at the integer camera with the shake, the ground line in
// use, and the bands the shake uncovers.
void StageBgDraw();

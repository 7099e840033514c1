// The frame loop's check on the GPU. The browser asks for frames faster
// than a software renderer draws them when uncapped, and every frame asked
// for is queued: the page then runs ever further ahead of its picture, and
// counting its frames counts none drawn. A frame is begun only once the
// GPU has finished the one before.
#pragma once

// True once the GPU has drawn everything before the last frameHandedOver,
// or when no frame has been handed over yet.
bool lastFrameDrawn();
// Marks the end of a frame's drawing.
void frameHandedOver();

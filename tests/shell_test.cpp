#include "scenes/scenes.h"
#include "shell/shell.h"
#include "tests/gl_window.h"

#include <GL/glut.h>
#include <cmath>
#include <gtest/gtest.h>

TEST(Timeline, OrderAloneSelectsTheSceneWithStrictBounds) {
    const struct {
        float order;
        SceneEntry scene;
    } cases[] = {{-1, Scene1},   {0, Scene1},    {2, Scene1},  {3, Scene2},   {6, Scene2},
                 {7, Scene3},    {10, Scene3},   {11, Scene4}, {14, Scene4},  {15, Scene5},
                 {16, Scene5},   {17, Scene6},   {22, Scene6}, {23, nullptr}, {24, nullptr},
                 {255, nullptr}, {1e6f, nullptr}};
    for (const auto& c : cases)
        EXPECT_EQ(sceneForOrder(c.order), c.scene) << "order " << c.order;
}

TEST(GridPoints, HoldOneSinePeriodOverTheFirstIndex) {
    fillGridPoints();
    EXPECT_FLOAT_EQ(gridPoints[0][0].x, -4.5f);
    EXPECT_FLOAT_EQ(gridPoints[0][0].y, -4.5f);
    EXPECT_EQ(gridPoints[0][0].z, 0.0f);
    for (int j = 0; j < 45; j++)
        EXPECT_NEAR(gridPoints[1][j].z, 0.139173, 1e-6);
    EXPECT_FLOAT_EQ(gridPoints[44][44].x, 4.3f);
    EXPECT_FLOAT_EQ(gridPoints[44][44].y, 4.3f);
    EXPECT_NEAR(gridPoints[44][44].z, -0.139173, 1e-6);
    // Stored from double-precision arithmetic, not recomputed in float.
    EXPECT_EQ(gridPoints[7][3].z, float(std::sin(7 / 5.0 * 40.0 / 360.0 * 3.141592654 * 2)));
    EXPECT_EQ(gridPoints[7][3].x, float(7 / 5.0 - 4.5));
}

TEST(Keyboard, VTogglesThePrimitiveAndEveryKeyButTheQuitKeysIsLogged) {
    ASSERT_EQ(modelPrimitive, GL_TRIANGLES);
    testing::internal::CaptureStdout();
    keyboard('v', 10, 20);
    EXPECT_EQ(modelPrimitive, GL_LINE_STRIP);
    keyboard('v', 0, 0);
    EXPECT_EQ(modelPrimitive, GL_TRIANGLES);
    keyboard('Q', 0, 0);
    keyboard('V', 0, 0);
    keyboard(' ', 0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Keypress Occured: v\nKeypress Occured: v\nKeypress Occured: Q\n"
              "Keypress Occured: V\nKeypress Occured:  \n");
    EXPECT_EQ(modelPrimitive, GL_TRIANGLES);
}

TEST(Keyboard, EscAndLowerQQuitAtOnceWithoutALine) {
    EXPECT_EXIT(keyboard(27, 0, 0), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(keyboard('q', 0, 0), testing::ExitedWithCode(0), "");
    // The death-test child's standard output is not captured: check it wrote nothing there.
    EXPECT_EXIT(
        {
            testing::internal::CaptureStdout();
            atexit([] { fprintf(stderr, "[%s]", testing::internal::GetCapturedStdout().c_str()); });
            keyboard(27, 0, 0);
        },
        testing::ExitedWithCode(0), "^\\[\\]$");
}

TEST(Reshape, SetsTheFixedFrustumAndLogsTheSize) {
    ensureGlWindow();
    testing::internal::CaptureStdout();
    reshape(1024, 768);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Window Changed to (x,y): 1024, 768\n");
    GLint mode, viewport[4];
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(mode, GL_PROJECTION);
    EXPECT_EQ(viewport[2], 1024);
    EXPECT_EQ(viewport[3], 768);
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    // glFrustum(-2, 2, -2, 2, 5, 100): 2n/(r-l) = 2.5 on both axes.
    EXPECT_FLOAT_EQ(m[0], 2.5f);
    EXPECT_FLOAT_EQ(m[5], 2.5f);
    EXPECT_FLOAT_EQ(m[10], -105.0f / 95.0f);
    EXPECT_FLOAT_EQ(m[14], -1000.0f / 95.0f);
    testing::internal::CaptureStdout();
    reshape(640, 480);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Window Changed to (x,y): 640, 480\n");
    glMatrixMode(GL_MODELVIEW);
}

TEST(FrameSchedule, SixtyAbsoluteDeadlinesASecondLateFramesCatchUpAStallRestarts) {
    const int64_t start = 5'000'000'000;
    FrameSchedule schedule;
    EXPECT_EQ(nextFrameDue(&schedule, start), start); // the first frame at once
    // Frames done early or late by a few milliseconds: the deadlines stay on
    // the grid, so an hour of them ends exactly on time.
    int64_t due = 0;
    for (int64_t n = 1; n <= 216000; n++) {
        const int64_t jitter = (n % 7 - 3) * 1'000'000;
        due = nextFrameDue(&schedule, start + n * 1'000'000'000 / 60 - 16'000'000 + jitter);
        ASSERT_EQ(due, start + n * 1'000'000'000 / 60) << n;
    }
    EXPECT_EQ(due, start + 3600'000'000'000);
    // Two frames late: the next deadline is already past, so the frame comes
    // at once, and the ones after it are back on the grid.
    EXPECT_EQ(nextFrameDue(&schedule, due + 50'000'000), due + 16'666'666);
    EXPECT_EQ(nextFrameDue(&schedule, due + 51'000'000), due + 33'333'333);
    // Stalled for longer than a few frames: a new grid starts from now.
    const int64_t stalled = due + 500'000'000;
    EXPECT_EQ(nextFrameDue(&schedule, stalled), stalled);
    EXPECT_EQ(nextFrameDue(&schedule, stalled + 1'000'000), stalled + 16'666'666);
    EXPECT_EQ(nextFrameDue(&schedule, stalled + 20'000'000), stalled + 33'333'333);
}

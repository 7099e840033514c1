#include "platform/message_box.h"
#include "tests/gl_window.h"
#include "tests/screen_capture.h"

#include <GL/glut.h>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

TEST(MessageBox, WithoutAWindowOnlyTheLogLineIsWritten) {
    EXPECT_EQ(GetFocus(), nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Failed to open DIB file x.bmp.\n", "Error", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "This 3DS file is over version 3 so it may load incorrectly",
                          "Warning", MB_OK),
              IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: Failed to open DIB file x.bmp.\n"
              "Warning: This 3DS file is over version 3 so it may load incorrectly\n");
}

namespace {

struct GlSnapshot {
    GLint matrixMode, texture, viewport[4];
    GLfloat color[4], clear[4], projection[16], modelview[16];
    GLboolean lighting, texturing, depth, fog;
};

GlSnapshot snapshot() {
    GlSnapshot s;
    glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.texture);
    glGetIntegerv(GL_VIEWPORT, s.viewport);
    glGetFloatv(GL_CURRENT_COLOR, s.color);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, s.clear);
    glGetFloatv(GL_PROJECTION_MATRIX, s.projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, s.modelview);
    s.lighting = glIsEnabled(GL_LIGHTING);
    s.texturing = glIsEnabled(GL_TEXTURE_2D);
    s.depth = glIsEnabled(GL_DEPTH_TEST);
    s.fog = glIsEnabled(GL_FOG);
    return s;
}

bool near(const uint8_t* p, int r, int g, int b) {
    return std::abs(p[0] - r) < 8 && std::abs(p[1] - g) < 8 && std::abs(p[2] - b) < 8;
}

} // namespace

TEST(MessageBox, InTheWindowItWaitsForTheKeyAndRestoresGlState) {
    ensureGlWindow();
    GLuint texture;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glColor4f(0.25f, 0.5f, 0.75f, 1);
    glEnable(GL_LIGHTING);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    GlSnapshot before = snapshot();
    ASSERT_NE(GetFocus(), nullptr);

    Screenshot shot;
    bool captured = false;
    std::thread user([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        captured = captureScreen(shot);
        runCommand("xdotool mousemove 512 384 key Return", 10);
    });
    testing::internal::CaptureStderr();
    auto start = std::chrono::steady_clock::now();
    MessageBoxA(GetFocus(), "Unknown DIB file format.", "Error", MB_OK);
    double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    user.join();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Unknown DIB file format.\n");
    EXPECT_GE(waited, 1.4); // modal: it returned only once the key came

    ASSERT_TRUE(captured);
    ASSERT_EQ(shot.width, 1024);
    EXPECT_TRUE(near(shot.at(512, 384), 236, 236, 236)) << "no box body at the centre";
    int captionPixels = 0;
    for (int y = 300; y < 384; y++)
        captionPixels += near(shot.at(512, y), 40, 80, 150);
    EXPECT_GT(captionPixels, 10) << "no caption bar above the text";

    GlSnapshot after = snapshot();
    EXPECT_EQ(after.matrixMode, before.matrixMode);
    EXPECT_EQ(after.texture, before.texture);
    EXPECT_EQ(0, memcmp(after.viewport, before.viewport, sizeof before.viewport));
    EXPECT_EQ(0, memcmp(after.color, before.color, sizeof before.color));
    EXPECT_EQ(0, memcmp(after.clear, before.clear, sizeof before.clear));
    EXPECT_EQ(0, memcmp(after.projection, before.projection, sizeof before.projection));
    EXPECT_EQ(0, memcmp(after.modelview, before.modelview, sizeof before.modelview));
    EXPECT_EQ(after.lighting, before.lighting);
    EXPECT_EQ(after.texturing, before.texturing);
    EXPECT_EQ(after.depth, before.depth);
    EXPECT_EQ(after.fog, before.fog);
    glDisable(GL_LIGHTING);
}

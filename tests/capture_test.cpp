// The capture program as built, with no display: the videos it writes,
// decoded again by ffmpeg, and how it refuses to start.
#include "tests/demo_assets.h"
#include "tests/demo_scenes.h"
#include "tests/private_display.h"
#include "tests/test_pictures.h"
#include "tests/test_songs.h"
#include "tools/writers/it_writer.h"
#include "tools/writers/tga_writer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <thread>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// Runs the capture in `dir` without DISPLAY; `environment` goes first
// ("PATH=..." and the like).
ProcessResult capture(const std::string& dir, const std::string& arguments,
                      const std::string& environment = "") {
    return runCommand("cd '" + dir + "' && exec env -u DISPLAY " + environment + " '" +
                          CAPTURE_BINARY + "' " + arguments,
                      300);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One field of ffprobe's report on a stream ("v:0", "a:0").
std::string probe(const std::string& file, const std::string& stream, const std::string& field) {
    ProcessResult result =
        runCommand("ffprobe -v error -select_streams " + stream + " -show_entries stream=" + field +
                       " -of default=noprint_wrappers=1:nokey=1 '" + file + "'",
                   60);
    std::string value = result.out;
    while (!value.empty() && (value.back() == '\n' || value.back() == '\r'))
        value.pop_back();
    return value;
}

// The decoded frames, RGB top row first, one after the other.
std::string decodeFrames(const std::string& file) {
    const std::string raw = file + ".rgb";
    runCommand("ffmpeg -v error -y -i '" + file + "' -f rawvideo -pix_fmt rgb24 '" + raw + "'",
               120);
    return readFile(raw);
}

// The decoded sound, 16-bit stereo at 48 kHz.
std::string decodeSound(const std::string& file) {
    const std::string raw = file + ".pcm";
    runCommand("ffmpeg -v error -y -i '" + file + "' -f s16le -ac 2 -ar 48000 '" + raw + "'", 120);
    return readFile(raw);
}

// A stand-in for ffmpeg, first on the PATH, that keeps the pictures as they
// reach ffmpeg in `kept` (RGBA, the bottom row first; a still scene's
// picture once) instead of writing a video. The environment for capture().
std::string keepPictures(const std::string& dir, const std::string& kept) {
    std::string ffmpeg = runCommand("command -v ffmpeg", 10).out;
    while (!ffmpeg.empty() && ffmpeg.back() == '\n')
        ffmpeg.pop_back();
    const std::string bin = dir + "/keeper";
    fs::create_directories(bin);
    const std::string script =
        "#!/bin/sh\nexec '" + ffmpeg +
        "' -nostdin -v error -y -thread_queue_size 8 -probesize 32 -f matroska -i pipe:3 "
        "-thread_queue_size 64 -probesize 32 -f s16le -ar 48000 -ac 2 -i pipe:4 "
        "-map 0:v -f rawvideo -pix_fmt rgba '" +
        kept + "' -map 1:a -f null -\n";
    writeFile(bin + "/ffmpeg", std::vector<uint8_t>(script.begin(), script.end()));
    fs::permissions(bin + "/ffmpeg", fs::perms::owner_all);
    return "PATH='" + bin + "':\"$PATH\"";
}

// Peak signal-to-noise ratio of frame `index` of two runs of RGBA frames,
// over red, green and blue, in dB.
double psnr(const std::string& a, const std::string& b, size_t frameBytes, size_t index) {
    double squares = 0;
    size_t count = 0;
    for (size_t i = index * frameBytes; i < (index + 1) * frameBytes; i++) {
        if (i % 4 == 3)
            continue;
        const double d = double(uint8_t(a[i])) - double(uint8_t(b[i]));
        squares += d * d;
        count++;
    }
    return squares == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * double(count) / squares);
}

Screenshot frameOf(const std::string& frames, int width, int height, int index) {
    Screenshot shot;
    shot.width = width;
    shot.height = height;
    const size_t bytes = size_t(width) * height * 3;
    if (frames.size() >= (size_t(index) + 1) * bytes)
        shot.rgb.assign(frames.begin() + long(index * bytes),
                        frames.begin() + long((index + 1) * bytes));
    return shot;
}

// 24 orders of 32 rows at speed 3 and tempo 250: at 48 kHz a tick is 480
// sound frames, a row 1440, an order 46080 (0.96 s, 57.6 frames).

class CaptureRun : public testing::Test {
  protected:
    void SetUp() override {
        dir = makeTempDir("capture_");
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override { fs::remove_all(dir); }
    void writeSong() {
        ASSERT_TRUE(writeFile(dir + "/Prueba.IT", encodeIt(makeTestSong(24, 3, 250))));
    }
    // Nothing but `kept` in the folder: no video, no partial file.
    void expectOnly(const std::set<std::string>& kept) {
        std::set<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir))
            names.insert(entry.path().filename().string());
        EXPECT_EQ(names, kept);
    }
    std::string dir;
};

} // namespace

TEST_F(CaptureRun, WritesSixtyFramesASecondWithSoundAsLongAndTheSameEveryTime) {
    ASSERT_TRUE(writePictures(dir));
    ASSERT_TRUE(writePlainModels(dir));
    writeSong();
    // 5:3, so the 4:3 picture stands between two black bands 40 pixels wide.
    const int width = 400, height = 240;
    const std::string size = "--size " + std::to_string(width) + "x" + std::to_string(height);
    for (const char* out : {"a.mp4", "b.mp4", "c.mkv"}) {
        ProcessResult result = capture(dir, size + " --from 21 " + out);
        ASSERT_EQ(result.exitCode, 0) << out << "\n" << result.err;
    }
    // From order 21, order 23 is heard from sound frame 2 * 46080 on, in
    // frame 115.2: frame 116 is the first not shown.
    const int frames = 116;
    const std::string a = dir + "/a.mp4";
    EXPECT_EQ(probe(a, "v:0", "codec_name"), "h264");
    EXPECT_EQ(probe(a, "v:0", "pix_fmt"), "yuv420p");
    EXPECT_EQ(probe(a, "v:0", "r_frame_rate"), "60/1");
    EXPECT_EQ(probe(a, "v:0", "width"), std::to_string(width));
    EXPECT_EQ(probe(a, "v:0", "height"), std::to_string(height));
    EXPECT_EQ(probe(a, "v:0", "nb_frames"), std::to_string(frames));
    EXPECT_EQ(probe(a, "a:0", "codec_name"), "aac");
    EXPECT_NEAR(std::atof(probe(a, "a:0", "duration").c_str()), frames / 60.0, 0.03);
    EXPECT_EQ(probe(dir + "/c.mkv", "a:0", "codec_name"), "flac");

    const std::string framesA = decodeFrames(a);
    const size_t frameBytes = size_t(width) * height * 3;
    ASSERT_EQ(framesA.size(), frames * frameBytes);
    EXPECT_TRUE(framesA == decodeFrames(dir + "/b.mp4")) << "two captures, different frames";
    EXPECT_TRUE(framesA == decodeFrames(dir + "/c.mkv")) << "the same picture in both files";
    const std::string soundA = decodeSound(a);
    EXPECT_TRUE(soundA == decodeSound(dir + "/b.mp4")) << "two captures, different sound";
    // FLAC keeps every sound frame: exactly 800 for each picture, not silent.
    const std::string flac = decodeSound(dir + "/c.mkv");
    EXPECT_EQ(flac.size(), size_t(frames) * 800 * 4);
    EXPECT_NE(flac.find_first_not_of('\0'), std::string::npos);

    // The bands are black in every frame; the picture between them is not.
    for (int index : {0, frames - 1}) {
        Screenshot shot = frameOf(framesA, width, height, index);
        int band = 0, picture = 0;
        for (int y = 0; y < height; y++) {
            for (int x : {0, 20, 39, width - 40, width - 1})
                band += shot.at(x, y)[0] > 24 || shot.at(x, y)[1] > 24 || shot.at(x, y)[2] > 24;
            picture +=
                near({shot.at(200, y)[0], shot.at(200, y)[1], shot.at(200, y)[2]}, {0, 0, 0});
        }
        EXPECT_EQ(band, 0) << "frame " << index;
        EXPECT_LT(picture, height / 4) << "frame " << index;
    }
}

// Scenes 5 and 6 do not move, so every frame of theirs is the same; the live
// demo's on the virtual display must match the capture's, up to H.264's noise.
TEST_F(CaptureRun, StillScenesMatchTheLiveDemoOnAnXServer) {
    const std::string assets =
        generatedAssets(DEMO_BUILD_DIR "/tools/assetgen", DEMO_BUILD_DIR "/demo_e2e_assets");
    ASSERT_FALSE(assets.empty()) << "assetgen failed";
    ASSERT_TRUE(copyFiles(assets, dir));
    // Orders of one second: 32 rows, a row 3 * 2.5 / 240 s.
    ASSERT_TRUE(writeFile(dir + "/Prueba.IT", encodeIt(makeTestSong(24, 3, 240))));
    SceneReferences references;
    ASSERT_TRUE(references.load(dir));

    ProcessResult captured = capture(dir, "--from 15 --to 18 still.mkv");
    ASSERT_EQ(captured.exitCode, 0) << captured.err;
    const std::string frames = decodeFrames(dir + "/still.mkv");
    // Halfway through order 16 (Scene5) and order 17 (Scene6).
    const Screenshot capturedScene5 = frameOf(frames, 1024, 768, 90);
    const Screenshot capturedScene6 = frameOf(frames, 1024, 768, 150);
    ASSERT_FALSE(capturedScene6.rgb.empty());
    ASSERT_EQ(classifyScene(capturedScene5, references), DemoScene::scene5);
    ASSERT_EQ(classifyScene(capturedScene6, references), DemoScene::scene6);

    PrivateDisplay display;
    ASSERT_TRUE(display.start());
    ChildProcess demo;
    ASSERT_TRUE(demo.start({DEMO_BINARY, "--from", "15"}, dir,
                           {"DISPLAY=" + display.name(), "SDL_AUDIODRIVER=dummy"}));
    Screenshot live[7];
    const auto begin = Clock::now();
    while (demo.running() && Clock::now() - begin < std::chrono::seconds(60) &&
           !(live[5].width && live[6].width)) {
        Screenshot shot;
        if (display.capture(shot) && shot.width == 1024 && shot.height == 768) {
            const DemoScene scene = classifyScene(shot, references);
            if (scene == DemoScene::scene5 || scene == DemoScene::scene6)
                live[int(scene)] = std::move(shot);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    demo.kill();

    const std::pair<const Screenshot*, const Screenshot*> pairs[] = {{&capturedScene5, &live[5]},
                                                                     {&capturedScene6, &live[6]}};
    for (const auto& [capturedShot, liveShot] : pairs) {
        ASSERT_EQ(liveShot->width, 1024) << "the live demo never showed the scene";
        // Without a window manager the window has a one-pixel X border, so
        // the demo's frame may start at (1, 1) of the screen. A frame shifted
        // by one pixel differs by about twice the noise of H.264.
        double best = 255;
        for (int offset : {0, 1}) {
            double sum = 0;
            size_t count = 0;
            for (int y = 2; y < 766; y++) {
                for (int x = 2; x < 1022; x++) {
                    const uint8_t* a = capturedShot->at(x, y);
                    const uint8_t* b = liveShot->at(x + offset, y + offset);
                    for (int c = 0; c < 3; c++)
                        sum += std::abs(int(a[c]) - int(b[c]));
                    count += 3;
                }
            }
            best = std::min(best, sum / double(count));
        }
        EXPECT_LT(best, 3.0);
    }
}

// The still scenes drawn once and the frames read back a frame late give
// the video of every frame drawn and read back in turn: from Scene4 into a
// still run, from one still scene into the other, and on to the end.
TEST_F(CaptureRun, StillScenesDrawnOnceGiveTheFramesOfEveryFrameDrawn) {
    ASSERT_TRUE(writePictures(dir));
    ASSERT_TRUE(writePlainModels(dir));
    writeSong();
    const int width = 400, height = 240;
    const std::string range = "--size 400x240 --from 14 --to 18 ";
    ProcessResult quick = capture(dir, range + "quick.mkv");
    ASSERT_EQ(quick.exitCode, 0) << quick.err;
    ProcessResult every = capture(dir, range + "--draw-every-frame every.mkv");
    ASSERT_EQ(every.exitCode, 0) << every.err;

    const std::string framesQuick = decodeFrames(dir + "/quick.mkv");
    const std::string framesEvery = decodeFrames(dir + "/every.mkv");
    const size_t frameBytes = size_t(width) * height * 3;
    // Orders 14 to 17 are 4 * 46080 sound frames: 230.4 frames of 800.
    ASSERT_EQ(framesEvery.size(), 231 * frameBytes);
    ASSERT_EQ(framesQuick.size(), framesEvery.size());
    for (size_t frame = 0; frame < 231; frame++)
        ASSERT_TRUE(framesQuick.compare(frame * frameBytes, frameBytes, framesEvery,
                                        frame * frameBytes, frameBytes) == 0)
            << "frame " << frame << " differs";
    // Scene4 moves and the two still scenes differ, so a picture handed
    // for the wrong frame shows.
    const Screenshot scene4 = frameOf(framesEvery, width, height, 20);
    const Screenshot scene5 = frameOf(framesEvery, width, height, 100);
    const Screenshot scene6 = frameOf(framesEvery, width, height, 200);
    EXPECT_NE(scene4.rgb, frameOf(framesEvery, width, height, 40).rgb);
    EXPECT_NE(scene5.rgb, scene6.rgb);
    EXPECT_NE(scene4.rgb, scene5.rgb);
    EXPECT_TRUE(decodeSound(dir + "/quick.mkv") == decodeSound(dir + "/every.mkv"));
}

// What video sites ask of an upload, read back from a short 1080p video:
// H.264 High profile with CABAC and B-frames, two at most in a row, an IDR
// frame every 30 frames and no other key frame (closed groups of half a
// second), at least their 12 Mbit/s, which a 1440x1080 video, served as 1080p
// too, gets as well; AAC-LC stereo at 48 kHz in step with the picture; no edit
// list, both streams from 0.
TEST_F(CaptureRun, WritesTheUploadVideoSitesRecommend) {
    ASSERT_TRUE(writePictures(dir));
    ASSERT_TRUE(writePlainModels(dir));
    writeSong();
    // Orders 21 and 22, 116 frames: Scene6, drawn once, so it is quick.
    ProcessResult upload = capture(dir, "--size 1920x1080 --from 21 upload.mp4");
    ASSERT_EQ(upload.exitCode, 0) << upload.err;
    // Every sound frame as the song made it, for the timing of the AAC.
    ProcessResult lossless = capture(dir, "--size 400x240 --from 21 sound.mkv");
    ASSERT_EQ(lossless.exitCode, 0) << lossless.err;
    const std::string file = dir + "/upload.mp4";
    EXPECT_EQ(probe(file, "v:0", "profile"), "High");
    EXPECT_EQ(probe(file, "v:0", "nb_frames"), "116");
    EXPECT_EQ(probe(file, "v:0", "start_time"), "0.000000");
    EXPECT_GE(std::atof(probe(file, "v:0", "bit_rate").c_str()), 12e6);
    // 1440x1080 is served as 1080p, and asks 1080p's rate.
    ProcessResult fourThirds = capture(dir, "--size 1440x1080 --from 21 upload-4x3.mp4");
    ASSERT_EQ(fourThirds.exitCode, 0) << fourThirds.err;
    EXPECT_GE(std::atof(probe(dir + "/upload-4x3.mp4", "v:0", "bit_rate").c_str()), 12e6);
    EXPECT_EQ(probe(file, "a:0", "codec_name"), "aac");
    EXPECT_EQ(probe(file, "a:0", "profile"), "LC");
    EXPECT_EQ(probe(file, "a:0", "sample_rate"), "48000");
    EXPECT_EQ(probe(file, "a:0", "channels"), "2");
    EXPECT_EQ(probe(file, "a:0", "start_time"), "0.000000");
    EXPECT_EQ(readFile(file).find("elst"), std::string::npos) << "an edit list box";

    // The frames in the order shown: "1,I", "0,B" (whether a key frame, the
    // type), the first one followed by an empty line for its side data.
    ProcessResult frames = runCommand("ffprobe -v error -select_streams v:0 -show_entries "
                                      "frame=key_frame,pict_type -of csv=p=0 '" +
                                          file + "'",
                                      60);
    std::string keys, types;
    for (size_t line = 0; line < frames.out.size();) {
        size_t end = frames.out.find('\n', line);
        if (end == std::string::npos)
            end = frames.out.size();
        if (end - line >= 3) {
            keys += frames.out[line];
            types += frames.out[line + 2];
        }
        line = end + 1;
    }
    ASSERT_EQ(keys.size(), 116u) << frames.out;
    for (size_t i = 0; i < keys.size(); i++)
        EXPECT_EQ(keys[i], i % 30 == 0 ? '1' : '0') << "frame " << i;
    EXPECT_NE(types.find('B'), std::string::npos) << types;
    EXPECT_EQ(types.find("BBB"), std::string::npos) << types;
    // The stream's own headers: CABAC, and the four key frames are IDR.
    ProcessResult headers = runCommand("ffmpeg -hide_banner -i '" + file +
                                           "' -map 0:v -c copy -bsf:v trace_headers -f null -",
                                       60);
    int cabac = 0, idr = 0;
    for (size_t line = 0; line < headers.err.size();) {
        size_t end = headers.err.find('\n', line);
        if (end == std::string::npos)
            end = headers.err.size();
        const std::string text = headers.err.substr(line, end - line);
        const bool one = text.size() > 4 && text.compare(text.size() - 4, 4, " = 1") == 0;
        cabac += text.find("entropy_coding_mode_flag") != std::string::npos && one;
        idr += text.find("nal_unit_type") != std::string::npos &&
               text.compare(text.size() - 4, 4, " = 5") == 0;
        line = end + 1;
    }
    EXPECT_GT(cabac, 0) << "no CABAC";
    EXPECT_EQ(idr, 4);

    // Without an edit list a player plays AAC's priming before the sound, so
    // the sound would come late; it must line up with the lossless one.
    const std::string aac = decodeSound(file), flac = decodeSound(dir + "/sound.mkv");
    ASSERT_GT(aac.size(), 60000u);
    ASSERT_GT(flac.size(), 60000u);
    const auto left = [](const std::string& pcm, size_t frame) {
        int16_t sample;
        std::memcpy(&sample, pcm.data() + frame * 4, 2);
        return double(sample);
    };
    int bestLag = 0;
    double best = 1e300;
    for (int lag = -1500; lag <= 1500; lag++) {
        double difference = 0;
        for (size_t frame = 4000; frame < 14000; frame++)
            difference += std::fabs(left(aac, size_t(int(frame) + lag)) - left(flac, frame));
        if (difference < best) {
            best = difference;
            bestLag = lag;
        }
    }
    EXPECT_LE(std::abs(bestLag), 4) << "the AAC sound lags by " << bestLag << " sound frames";
}

// Supersampling only smooths the edges: a frame of Scene4 drawn twice as
// large and scaled down is within 38 dB of the same frame drawn four times
// as large, the wire cube's lines as thick, frame by frame. And the show's
// own 1024x768, not supersampled, gives ffmpeg the very pictures it gave
// before supersampling came: their MD5 for orders 10 and 11 (Scenes 3 and
// 4, the scenes with line and point sizes) is the one the capture of that
// time gave on the generated assets and this song, with Debian 12's Mesa
// 22.3 llvmpipe.
TEST_F(CaptureRun, SupersampledFramesKeepTheLookAndTheShowsOwnSizeIsUnchanged) {
    const std::string assets =
        generatedAssets(DEMO_BUILD_DIR "/tools/assetgen", DEMO_BUILD_DIR "/demo_e2e_assets");
    ASSERT_FALSE(assets.empty()) << "assetgen failed";
    ASSERT_TRUE(copyFiles(assets, dir));
    writeSong();

    const std::string own = dir + "/own.rgba";
    ProcessResult ownRun = capture(dir, "--from 10 --to 12 own.mp4", keepPictures(dir, own));
    ASSERT_EQ(ownRun.exitCode, 0) << ownRun.err;
    EXPECT_EQ(fs::file_size(own), 116u * 1024 * 768 * 4);
    EXPECT_EQ(runCommand("md5sum '" + own + "'", 60).out.substr(0, 32),
              "37a6d8631cb7d4db0a7f0ea58dd370c5");
    fs::remove(own);

    std::string pictures[2];
    for (int factor : {2, 4}) {
        const std::string kept = dir + "/ss" + std::to_string(factor) + ".rgba";
        ProcessResult run =
            capture(dir, "--from 11 --to 12 --supersample " + std::to_string(factor) + " ss.mp4",
                    keepPictures(dir, kept));
        ASSERT_EQ(run.exitCode, 0) << run.err;
        pictures[factor / 4] = readFile(kept);
        fs::remove(kept);
    }
    const size_t frameBytes = size_t(1024) * 768 * 4;
    ASSERT_EQ(pictures[0].size(), 58 * frameBytes);
    ASSERT_EQ(pictures[1].size(), pictures[0].size());
    double worst = 99;
    for (size_t frame = 0; frame < 58; frame++)
        worst = std::min(worst, psnr(pictures[0], pictures[1], frameBytes, frame));
    // 39.9 dB here; with the lines 5 pixels wide at any size, 34.8.
    EXPECT_GE(worst, 38.0);
}

TEST_F(CaptureRun, RefusesAMissingSongOrPicturesABadSizeOrSupersamplingAnUnwritableFileOrNoFfmpeg) {
    // Without any picture, then without the song.
    ASSERT_TRUE(writePlainModels(dir));
    writeSong();
    ProcessResult noPictures = capture(dir, "out.mp4");
    EXPECT_EQ(noPictures.exitCode, 1);
    EXPECT_NE(noPictures.err.find("titulo3.tga"), std::string::npos) << noPictures.err;
    ASSERT_TRUE(writePictures(dir));
    fs::remove(dir + "/Prueba.IT");
    ProcessResult noSong = capture(dir, "out.mp4");
    EXPECT_EQ(noSong.exitCode, 1);
    EXPECT_NE(noSong.err.find("Prueba.IT"), std::string::npos) << noSong.err;

    writeSong();
    for (const char* size :
         {"1024", "0x0", "1023x768", "1024x-768", "20000x20000", "640x480x2",
          "1024x768 --supersample 0", "1024x768 --supersample 5", "7680x4320 --supersample 3"}) {
        ProcessResult result = capture(dir, std::string("--size ") + size + " out.mp4");
        EXPECT_EQ(result.exitCode, 2) << size;
        EXPECT_NE(result.err.find("Usage:"), std::string::npos) << size << "\n" << result.err;
    }

    ProcessResult noFolder = capture(dir, "--to 1 missing/out.mp4");
    EXPECT_EQ(noFolder.exitCode, 1);
    EXPECT_NE(noFolder.err.find("missing/out.mp4"), std::string::npos) << noFolder.err;
    ProcessResult noFfmpeg = capture(dir, "--to 1 out.mp4", "PATH=/nonexistent");
    EXPECT_EQ(noFfmpeg.exitCode, 1);
    EXPECT_NE(noFfmpeg.err.find("ffmpeg"), std::string::npos) << noFfmpeg.err;

    expectOnly({"Prueba.IT", "presents.3ds", "logo.3ds", "txiringo.3DS", "titulo3.tga", "tia.tga",
                "palmera.tga", "uf.tga"});
}

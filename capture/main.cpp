#include "capture/capture.h"

int main(int argc, char** argv) {
    CaptureOptions options;
    const int status = parseCaptureOptions(argc, argv, &options);
    if (status >= 0)
        return status;
    CaptureTimes times;
    return runCapture(options, &times);
}

#include "shell/shell.h"

#include <cmath>

Vec3 gridPoints[45][45];

void fillGridPoints() {
    for (int i = 0; i < 45; i++) {
        for (int j = 0; j < 45; j++) {
            // Double-precision arithmetic, stored as float: one sine period
            // over the 45 rows, so Scene2's roll of the heights is seamless.
            double x = i / 5.0 - 4.5;
            double y = j / 5.0 - 4.5;
            double z = std::sin(((i / 5.0) * 40.0 / 360.0 * 3.141592654) * 2);
            gridPoints[i][j] = {static_cast<float>(x), static_cast<float>(y),
                                static_cast<float>(z)};
        }
    }
}

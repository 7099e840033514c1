// Placeholder until the libopenmpt/SDL music layer lands: no song ever loads.
#include "platform/music.h"

signed char FSOUND_Init(int, int, unsigned int) {
    return 0;
}
void FSOUND_Close() {}
FMUSIC_MODULE* FMUSIC_LoadSong(const char*) {
    return nullptr;
}
signed char FMUSIC_PlaySong(FMUSIC_MODULE*) {
    return 0;
}
signed char FMUSIC_StopSong(FMUSIC_MODULE*) {
    return 0;
}
signed char FMUSIC_FreeSong(FMUSIC_MODULE*) {
    return 0;
}
int FMUSIC_GetOrder(FMUSIC_MODULE*) {
    return -1;
}
int FMUSIC_GetRow(FMUSIC_MODULE*) {
    return -1;
}

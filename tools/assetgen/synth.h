// The song's instruments, synthesised sample by sample. Tonal samples sound
// C at middle C (note 60, 261.63 Hz) and loop over a whole number of cycles
// of every partial, so the loops are seamless.
#pragma once

#include "tools/writers/it_writer.h"

ItSample synthKick();
ItSample synthSnare();
ItSample synthClap();
ItSample synthClosedHat();
ItSample synthOpenHat();
ItSample synthCrash();
ItSample synthBass();
ItSample synthPad();
ItSample synthLead();
ItSample synthPluck();
ItSample synthSurf();

#include "model/model.h"

// Not built yet: model set-up lands with the model-drawing issue.
void loadPresentsModel() {}
void loadLogoModel() {}
void loadTxiringoModel() {}

#include "image/image.h"
#include "model/model.h"

#include <iostream>

// Reads one model and gives every material that names an image its texture,
// in material order. The import's result does not matter: a model that failed
// to load is empty and finds nothing to do here.
static void setUpModel(Loader3ds& loader, Model& model, const char* fileName, uint32_t* textures) {
    loader.importModel(model, fileName);
    for (int32_t i = 0; i < model.materialCount; i++) {
        Material& material = model.materials[i];
        if (material.fileName[0] != '\0') {
            // The texture array has a slot per material for the first ones only;
            // later materials are drawn with name 0.
            if (i < modelTextureSlots)
                textureLoader.createTexture(material.fileName, &textures[i]);
            else
                std::cerr << "No texture slot for material " << i
                          << ", not loaded: " << material.fileName << std::endl;
        }
        material.textureId = i;
    }
}

void loadPresentsModel() {
    setUpModel(presentsLoader, presentsModel, "presents.3ds", presentsTextures);
}

void loadLogoModel() {
    setUpModel(logoLoader, logoModel, "logo.3ds", logoTextures);
}

void loadTxiringoModel() {
    setUpModel(txiringoLoader, txiringoModel, "txiringo.3DS", txiringoTextures);
}

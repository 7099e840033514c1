// The three models and their texture files.
#pragma once

#include <string>

#include "tools/assetgen/model_mesh.h"

// Texture files, named exactly as the materials name them.
constexpr const char* woodTexture = "wood.bmp";     // 24-bit
constexpr const char* thatchTexture = "thatch.BMP"; // 8-bit, run-length encoded
constexpr const char* signTexture = "sign.bmp";     // 4-bit
constexpr const char* waveTexture = "ola.bmp";      // 8-bit
constexpr const char* sandTexture = "sand.jpg";
constexpr const char* logoTexture = "logo.JPG";

Scene3ds buildPresentsModel();
Scene3ds buildLogoModel();
Scene3ds buildTxiringoModel();

// Puts each builder into the scene with its material's texture orientation.
void addMeshes(Scene3ds& scene, const std::vector<MeshBuilder>& meshes, const AxisMap& map);

bool writeTextures(const std::string& dir);

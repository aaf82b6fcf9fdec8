// The options of `kxhost render` that say what is decoded, how, and where it
// is written: --output, --scene, --mag, --tile, --threads and --resampling.
// None of them puts a stage on the chain.
#ifndef KX_HOST_CHAIN_SCENE_OPTIONS_H
#define KX_HOST_CHAIN_SCENE_OPTIONS_H

#include <string>

#include "hostChain/renderSettings.h"

namespace kxhost {

// Each option's value into `settings`; false with a one-line reason.
bool ParseOutputSetting(const std::string& value, RenderSettings* settings, std::string* error);
bool ParseSceneSetting(const std::string& value, RenderSettings* settings, std::string* error);
bool ParseMagSetting(const std::string& value, RenderSettings* settings, std::string* error);
bool ParseTileSetting(const std::string& value, RenderSettings* settings, std::string* error);
bool ParseThreadsSetting(const std::string& value, RenderSettings* settings, std::string* error);
bool ParseResamplingSetting(const std::string& value, RenderSettings* settings, std::string* error);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_SCENE_OPTIONS_H

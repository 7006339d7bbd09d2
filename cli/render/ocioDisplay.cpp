#include "cli/render/ocioDisplay.h"

#include <OpenColorIO/OpenColorIO.h>

#include <algorithm>
#include <vector>

#include "cli/common/inputError.h"
#include "cli/common/nameSuggestions.h"

namespace sorvane::render {

namespace {

namespace OCIO = OCIO_NAMESPACE;
using cli::InputError;

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
    return out;
}

class OcioDisplay : public DisplayTransform {
public:
    OcioDisplay(OCIO::ConstCPUProcessorRcPtr processor, std::string description)
        : processor_(std::move(processor)), description_(std::move(description)) {}

    void apply(float* rgb, std::size_t pixels) const override {
        // One row of all the pixels: the processor takes any packed image.
        OCIO::PackedImageDesc image(rgb, static_cast<long>(pixels), 1, 3);
        processor_->apply(image);
    }

    std::string describe() const override { return description_; }

private:
    OCIO::ConstCPUProcessorRcPtr processor_;
    std::string description_;
};

}  // namespace

std::shared_ptr<const DisplayTransform> ocioDisplayTransform(const std::string& configPath,
                                                             const std::string& display,
                                                             const std::string& view) {
    if (configPath.empty()) {
        throw InputError(
            display.empty() ? "--view" : "--display",
            "picks a view of an OpenColorIO config: set OCIO to the config's file (without it the "
            "PNG has the preview's own view: a soft shoulder, then sRGB)");
    }
    try {
        const OCIO::ConstConfigRcPtr config = OCIO::Config::CreateFromFile(configPath.c_str());
        std::vector<std::string> displays;
        for (int i = 0; i < config->getNumDisplays(); ++i) displays.emplace_back(config->getDisplay(i));
        const std::string chosenDisplay = display.empty() ? config->getDefaultDisplay() : display;
        if (std::find(displays.begin(), displays.end(), chosenDisplay) == displays.end()) {
            throw InputError("--display", "\"" + chosenDisplay + "\" is not a display of " + configPath +
                                              cli::didYouMean(chosenDisplay, displays) +
                                              " (displays: " + joined(displays) + ")");
        }
        std::vector<std::string> views;
        for (int i = 0; i < config->getNumViews(chosenDisplay.c_str()); ++i)
            views.emplace_back(config->getView(chosenDisplay.c_str(), i));
        const std::string chosenView = view.empty() ? config->getDefaultView(chosenDisplay.c_str()) : view;
        if (std::find(views.begin(), views.end(), chosenView) == views.end()) {
            throw InputError("--view", "\"" + chosenView + "\" is not a view of display \"" + chosenDisplay +
                                           "\" in " + configPath + cli::didYouMean(chosenView, views) +
                                           " (views: " + joined(views) + ")");
        }
        if (config->getColorSpace(OCIO::ROLE_SCENE_LINEAR) == nullptr) {
            throw InputError(configPath,
                             "the config has no scene_linear role: the renderer's linear Rec. 709 "
                             "values need one to start from");
        }
        const OCIO::DisplayViewTransformRcPtr transform = OCIO::DisplayViewTransform::Create();
        transform->setSrc(OCIO::ROLE_SCENE_LINEAR);
        transform->setDisplay(chosenDisplay.c_str());
        transform->setView(chosenView.c_str());
        const OCIO::ConstProcessorRcPtr processor = config->getProcessor(transform);
        return std::make_shared<OcioDisplay>(
            processor->getDefaultCPUProcessor(),
            "OpenColorIO " + configPath + ": display \"" + chosenDisplay + "\", view \"" + chosenView + "\"");
    } catch (const InputError&) {
        throw;
    } catch (const std::exception& error) {
        throw InputError(configPath, std::string("cannot use the OpenColorIO config: ") + error.what());
    }
}

}  // namespace sorvane::render

#include "toolkit/controls.h"

namespace toolkit {

std::unique_ptr<Handler> makeComboHandler();
std::unique_ptr<Handler> makeToolbarHandler();
std::unique_ptr<Handler> makeSeparatorHandler();
std::unique_ptr<Handler> makeLoupeHandler();

void registerToolkitClasses(
    const std::function<void(std::string_view, HandlerFactory, WidgetFactory)>& add)
{
    add(
        kComboBoxClass, [](void*) { return makeComboHandler(); },
        [](QWidget* parent) { return new ComboWrapper(parent); });
    add(
        kToolbarClass, [](void*) { return makeToolbarHandler(); },
        [](QWidget* parent) { return new ToolbarWrapper(parent); });
    add(
        kSeparatorClass, [](void*) { return makeSeparatorHandler(); },
        [](QWidget* parent) { return new Separator(parent); });
    add(
        kLoupeClass, [](void*) { return makeLoupeHandler(); },
        [](QWidget* parent) { return new Loupe(parent); });
}

} // namespace toolkit

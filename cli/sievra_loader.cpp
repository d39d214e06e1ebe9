#include "cli/sievra_loader.h"

#include "platform/settings.h"

#include <dlfcn.h>

namespace cli {

bool loadSievra(SievraApi& api, std::string& error)
{
    const std::string path = platform::programPath("libsievra.so");
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        error = ::dlerror();
        return false;
    }
    auto bind = [&](auto& fn, const char* name) {
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(::dlsym(library, name));
        if (!fn)
            error = std::string("libsievra.so lacks ") + name;
        return fn != nullptr;
    };
    return bind(api.create, "laCreate") && bind(api.import, "laImport") &&
           bind(api.importAsync, "laImportAsync") && bind(api.importRecord, "laImportRecord") &&
           bind(api.getProgress, "laGetProgress") && bind(api.finish, "laFinish") &&
           bind(api.release, "laRelease") && bind(api.errorFile, "laGetErrorFile");
}

} // namespace cli

// A game's view of the mappings, with nothing of Stickwell in it: a plain program on the system's SDL2
// that, started with the environment a game would get, attaches virtual joysticks of the layouts given
// on its command line and prints for each, one line apiece, its GUID and the mapping SDL found for it:
//
//   sdlmappingprobe <vendor>:<product>:<buttons>:<axes>:<hats>:<name> ...   (vendor and product in hex)
//   -> <guid> <mapping>    or    <guid> none
//
// The joysticks are of no known type, so SDL makes up no mapping of its own for them: what it finds
// comes from SDL_GAMECONTROLLERCONFIG, SDL_GAMECONTROLLERCONFIG_FILE or its built-in table. Exit code 0,
// or 2 with the reason on standard error.

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
struct Layout {
    Uint16 vendor = 0;
    Uint16 product = 0;
    int buttons = 0;
    int axes = 0;
    int hats = 0;
    std::string name;
};

bool parse(const char* text, Layout* layout)
{
    std::vector<std::string> parts;
    std::string rest = text;
    for (int i = 0; i < 5; ++i) {
        const size_t colon = rest.find(':');
        if (colon == std::string::npos)
            return false;
        parts.push_back(rest.substr(0, colon));
        rest = rest.substr(colon + 1);
    }
    layout->vendor = Uint16(std::strtoul(parts[0].c_str(), nullptr, 16));
    layout->product = Uint16(std::strtoul(parts[1].c_str(), nullptr, 16));
    layout->buttons = std::atoi(parts[2].c_str());
    layout->axes = std::atoi(parts[3].c_str());
    layout->hats = std::atoi(parts[4].c_str());
    layout->name = rest;
    return !layout->name.empty();
}

int fail(const char* what)
{
    std::fprintf(stderr, "sdlmappingprobe: %s: %s\n", what, SDL_GetError());
    return 2;
}
} // namespace

int main(int argc, char** argv)
{
    std::vector<Layout> layouts(size_t(argc > 1 ? argc - 1 : 0));
    for (int i = 1; i < argc; ++i) {
        if (!parse(argv[i], &layouts[size_t(i - 1)])) {
            std::fprintf(stderr,
                         "usage: sdlmappingprobe <vendor>:<product>:<buttons>:<axes>:<hats>:<name> ...\n");
            return 2;
        }
    }
    // The game controller subsystem reads the mapping variables as it starts, as in any game.
    if (SDL_Init(SDL_INIT_GAMECONTROLLER) != 0)
        return fail("SDL_Init");
    std::vector<SDL_JoystickID> ids;
    for (const Layout& layout : layouts) {
        SDL_VirtualJoystickDesc desc;
        SDL_zero(desc);
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;
        desc.naxes = Uint16(layout.axes);
        desc.nbuttons = Uint16(layout.buttons);
        desc.nhats = Uint16(layout.hats);
        desc.vendor_id = layout.vendor;
        desc.product_id = layout.product;
        desc.name = layout.name.c_str();
        const int index = SDL_JoystickAttachVirtualEx(&desc);
        if (index < 0)
            return fail("SDL_JoystickAttachVirtualEx");
        ids.push_back(SDL_JoystickGetDeviceInstanceID(index));
    }
    for (const SDL_JoystickID id : ids) {
        int index = -1;
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == id)
                index = i;
        char guid[64];
        SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(index), guid, sizeof guid);
        char* mapping = SDL_GameControllerMappingForDeviceIndex(index);
        std::printf("%s %s\n", guid, mapping ? mapping : "none");
        SDL_free(mapping);
    }
    SDL_Quit();
    return 0;
}

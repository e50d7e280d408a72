#pragma once
// Hand-built interface scenes for the screenshot tool, the image tests and the
// benchmarks: the menu screens, the tutorial's panels, the shop, the leave
// dialog, the HUD's messages, countdowns and banners, the minimap and the
// radar. Each fills a render copy (the world behind) and an interface scene
// (the view and what it points to).
#include "render/interface_view.h"
#include "render/world_view.h"

struct InterfaceScene {
    InterfaceView view;
    HudValues hud;
    NotificationList notifications;
    ChatInput chat;
    char server_names[MAX_SERVER_ROWS][40] = {};
    char listed_names[MAX_SERVER_ROWS][MAX_SERVER_NAME + 1] = {};
};

using InterfaceSceneBuilder = void (*)(RenderCopy& copy, InterfaceScene& scene);

struct NamedInterfaceScene {
    const char* name;
    InterfaceSceneBuilder build;
};

// Every scene, in the order the screenshot tool writes them.
extern const NamedInterfaceScene INTERFACE_SCENES[];
extern const int INTERFACE_SCENE_COUNT;

// The game screen over the busy scene, the local plane (slot 0) in the
// middle; the view points into the copy and the scene.
void scene_game(RenderCopy& copy, InterfaceScene& scene);

// The busiest interface frame: the HUD with both bars and four counters, the
// shop open, the minimap over four bodies and 64 objects, eight
// notifications and a chat line being typed.
void scene_busiest_interface(RenderCopy& copy, InterfaceScene& scene);

// The main menu over the drifting sky.
void scene_main_menu(RenderCopy& copy, InterfaceScene& scene);

// Points the view at the scene's own records and the copy's world.
void link_scene(RenderCopy& copy, InterfaceScene& scene);

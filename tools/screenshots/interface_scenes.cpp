#include "screenshots/interface_scenes.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "app/render_frame.h"
#include "client/session.h"
#include "server/server_session.h"
#include "render/tutorial_panel.h"
#include "screenshots/scenes.h"
#include "world/geometry.h"

namespace {

constexpr float HALF_PI = 1.5707964f;

void reset_scene(InterfaceScene& scene) {
    scene.view = InterfaceView{};
    scene.hud = HudValues{};
    scene.notifications = NotificationList{};
    scene.chat = ChatInput{};
}

// The next server of the list, of the given origin (listed in the order
// fixed, added, Internet).
void add_server_row(InterfaceScene& scene, ServerOrigin origin, const char* name, ServerStatus status,
                    StatusResult result = {}, const char* listed_name = "") {
    const int i = scene.view.server_count++;
    std::snprintf(scene.server_names[i], sizeof scene.server_names[i], "%s", name);
    std::snprintf(scene.listed_names[i], sizeof scene.listed_names[i], "%s", listed_name);
    ServerRowView& row = scene.view.servers[i];
    row.name = scene.server_names[i];
    row.listed_name = scene.listed_names[i];
    row.status = status;
    row.result = result;
    ServerListShape& shape = scene.view.server_shape.list;
    ++(origin == ServerOrigin::Fixed ? shape.fixed : origin == ServerOrigin::Added ? shape.added : shape.internet);
}

void set_server(InterfaceScene& scene, const char* name, ServerStatus status, StatusResult result = {}) {
    add_server_row(scene, ServerOrigin::Fixed, name, status, result);
}

StatusResult named(StatusResult result, const char* name) {
    result.name_length = static_cast<uint8_t>(std::strlen(name));
    std::memcpy(result.name, name, result.name_length);
    return result;
}

// A notification that has been shown for `age` seconds (long enough for its
// arrival's pulse to have died down: a scene sets the pulse it wants).
void add_line(InterfaceScene& scene, Color c, std::initializer_list<std::string_view> pieces, float age,
              float hold = NOTIFICATION_HOLD) {
    notify(scene.notifications, c, pieces, hold);
    scene.notifications.items[scene.notifications.count - 1].age = age;
    scene.notifications.pulse = 0;
}

void type_chat(InterfaceScene& scene, const char* text) {
    scene.chat.typing = true;
    scene.chat.length = static_cast<uint8_t>(std::strlen(text));
    std::memcpy(scene.chat.text, text, scene.chat.length);
}

Plane& local(RenderCopy& copy) { return copy.world.planes[0]; }

// The game around the local plane, with the lagging health trail and a few
// resources, and every shop cell priced for it.
void game_with(RenderCopy& copy, InterfaceScene& scene, void (*world)(RenderCopy&)) {
    reset_scene(scene);
    world(copy);
    copy.local_slot = 0;
    copy.camera = copy.drawn[0];
    scene.view.screen = Screen::Playing;
    scene.view.time = 0.25f;
    Plane& p = local(copy);
    p.resources[0] = 12;
    p.resources[1] = 8;
    p.resources[2] = 5;
    link_scene(copy, scene);
}

void busy_world(RenderCopy& copy) { scene_busy(copy); }

void game_hurt(RenderCopy& copy, InterfaceScene& scene) {
    scene_game(copy, scene);
    local(copy).health = 84;
    scene.hud.shown_health = 84.0f / 150;
    scene.hud.health_trail = 0.8f;
}

void main_menu(RenderCopy& copy, InterfaceScene& scene) { scene_main_menu(copy, scene); }

// A game in full swing: hurt, shielded, with radar and minimap, a few lines.
void game(RenderCopy& copy, InterfaceScene& scene) {
    game_hurt(copy, scene);
    local(copy).has_radar = local(copy).has_minimap = true;
    local(copy).sun_resource = 3;
    add_line(scene, player_color(2), {"Player 3 joined"}, 1.2f);
    add_line(scene, INFO_COLOUR, {"Minimap on: Tab hides and shows it"}, 0.8f);
    add_line(scene, player_color(4), {"Player 5: ", "meet you at the station"}, 0.3f, CHAT_HOLD);
}

void server_list(RenderCopy& copy, InterfaceScene& scene) {
    reset_scene(scene);
    scene_menu(copy, {2400, 1300}, 7);
    scene.view.screen = Screen::ServerList;
    scene.view.menu_selection = 1;
    set_server(scene, "localhost:7777", ServerStatus::Checking);
    set_server(scene, "play.example.org:7777", ServerStatus::Answered, {true, true, 20, 3, 8, 5400});
    add_server_row(scene, ServerOrigin::Added, "old.example.net:7000", ServerStatus::Answered, {true, false, 19, 0, 8, 60});
    add_server_row(scene, ServerOrigin::Added, "gone.example.com:7777", ServerStatus::Unreachable);
    add_line(scene, REFUSAL_COLOUR, {"old.example.net:7000", " runs a different version of the game"}, 0.6f);
    link_scene(copy, scene);
}

// Added servers, the registry's under "Internet", and the "Add server" line
// being typed.
void server_list_internet(RenderCopy& copy, InterfaceScene& scene) {
    reset_scene(scene);
    scene_menu(copy, {5200, 2100}, 5);
    scene.view.screen = Screen::ServerList;
    scene.view.server_shape.registries = true;
    set_server(scene, "localhost:7777", ServerStatus::Unreachable);
    add_server_row(scene, ServerOrigin::Added, "203.0.113.7:7777", ServerStatus::Answered,
                   named({true, true, 20, 2, 8, 300}, "Friday night"));
    add_server_row(scene, ServerOrigin::Internet, "198.51.100.20:7777", ServerStatus::Answered,
                   named({true, true, 20, 5, 8, 9000}, "Orbit & Haul EU"));
    add_server_row(scene, ServerOrigin::Internet, "198.51.100.21:7778", ServerStatus::Checking, {}, "Sunside");
    add_server_row(scene, ServerOrigin::Internet, "192.0.2.44:7777", ServerStatus::Answered, {true, true, 20, 8, 8, 60});
    // The "Add server" row: fixed and added servers, the heading, the Internet ones.
    scene.view.menu_selection = 1 + 1 + 1 + 3;
    type_chat(scene, "play.example.org:77");
    link_scene(copy, scene);
    scene.view.address_input = &scene.chat;
    scene.view.chat = nullptr;
}

void settings(RenderCopy& copy, InterfaceScene& scene) {
    reset_scene(scene);
    scene_menu(copy, {7000, 900}, 11);
    scene.view.screen = Screen::Settings;
    scene.view.menu_selection = 1;
    scene.view.bot_skill = BotSkill::Hard;
    scene.view.volume = 70;
    scene.view.resolution_width = 1600;
    scene.view.resolution_height = 900;
    link_scene(copy, scene);
}

// The tutorial's worlds as its script builds them, step by step.
void tutorial_step(RenderCopy& copy, InterfaceScene& scene, uint8_t step) {
    const int worlds[TUTORIAL_STEPS] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 4};
    reset_scene(scene);
    scene_tutorial(copy, worlds[step]);
    scene.view.screen = Screen::Playing;
    scene.view.tutorial = true;
    scene.view.tutorial_step = step;
    scene.view.time = 0.25f;
    Plane& p = local(copy);
    if (step >= 3) p.resources[0] = 20;
    if (step >= 6) p.resources[1] = p.resources[2] = 20;
    if (step >= 8) p.sun_resource = 50;
    if (step == 9) {
        copy.world.winner = 0;
        copy.world.round_over_timer = 24.6f;
    }
    link_scene(copy, scene);
}

template <uint8_t STEP>
void tutorial(RenderCopy& copy, InterfaceScene& scene) {
    tutorial_step(copy, scene, STEP);
}

// Affordable, too dear, owned and needing the radar, side by side.
void shop(RenderCopy& copy, InterfaceScene& scene) {
    game_with(copy, scene, busy_world);
    local(copy).has_sun_shield = true;
    scene.view.shop = {true, 2};
    link_scene(copy, scene);
}

void leave_game(RenderCopy& copy, InterfaceScene& scene) {
    scene_game(copy, scene);
    scene.view.leave_dialog = {true, 1};
}

// How many bots other than `slot` fly within the screen around it.
int company_of(const World& w, uint8_t slot) {
    int n = 0;
    for (uint8_t i = 1; i < MAX_PLANES; ++i) {
        if (i == slot || !w.planes[i].in_use || w.planes[i].dead) continue;
        const Vec2 d = wrapped_delta(w.planes[slot].pos, w.planes[i].pos, w.size);
        n += d.x > -560 && d.x < 560 && d.y > -300 && d.y < 300;
    }
    return n;
}

// A practice game as it plays: the practice server and its three bots run
// through the real client session until the bots meet; the player's plane is
// then put beside them (by hand) and the game runs on for a moment.
void practice(RenderCopy& copy, InterfaceScene& scene) {
    reset_scene(scene);
    auto session = std::make_unique<Session>();
    if (!start_practice(*session, BotSkill::Normal, 12)) return;
    Vec2 camera{};
    uint8_t met = NONE;
    int after = 0;
    for (int t = 0; t < 120 * 240 && after < 90; ++t) {
        float ticks = TICK;
        session_frame(*session, Controls{}, ticks, camera);
        World& w = session->link.session->world;
        for (uint8_t i = 1; i < MAX_PLANES && met == NONE; ++i) {
            if (w.planes[i].in_use && !w.planes[i].dead && company_of(w, i) >= 2 - (t > 120 * 120)) met = i;
        }
        if (met == NONE) continue;
        const Plane& bot = w.planes[met];
        Plane& own = w.planes[0];
        own.pos = wrap(bot.pos + rotate(Vec2{-140, 120}, bot.angle), w.size);
        own.vel = bot.vel;
        own.angle = bot.angle;
        ++after;
    }
    copy.world = session->client.world;
    copy.local_slot = 0;
    for (int i = 0; i < MAX_PLANES; ++i) copy.drawn[i] = copy.world.planes[i].pos;
    copy.camera = copy.drawn[0];
    copy.time = 0.25f;
    scene.notifications = session->notifications;
    scene.hud = session->hud;
    scene.view.screen = Screen::Playing;
    scene.view.time = 0.25f;
    link_scene(copy, scene);
    scene.view.bot_mask = session->client.bot_mask;
    leave_session(*session);
}

void leave_tutorial(RenderCopy& copy, InterfaceScene& scene) {
    tutorial_step(copy, scene, 4);
    scene.view.leave_dialog = {true, 0};
}

void chat(RenderCopy& copy, InterfaceScene& scene) {
    game_hurt(copy, scene);
    add_line(scene, player_color(2), {"Player 3 joined"}, 1.9f);
    add_line(scene, INFO_COLOUR, {"Shield up"}, 1.5f);
    add_line(scene, player_color(1), {"Player 2 destroyed player 5"}, 1.2f);
    add_line(scene, player_color(3), {"Player 4: ", "anyone seen the sun yet?"}, 0.9f, CHAT_HOLD);
    add_line(scene, UPGRADE_COLOUR, {"A collector of yours was upgraded: it gathers twice as fast, and can orbit the sun"},
             0.5f);
    add_line(scene, GOLD_COLOUR, {"Exit vessel ready: stay in it with 15 of each resource to win"}, 2.3f);
    scene.notifications.pulse = 0.3f;
    type_chat(scene, "it's up and to the right, past the big planet");
}

// Dead: the respawn countdown in the middle.
void respawn(RenderCopy& copy, InterfaceScene& scene) {
    scene_game(copy, scene);
    Plane& p = local(copy);
    p.dead = true;
    p.health = 0;
    p.shield = 0;
    p.respawn_timer = 3.2f;
    scene.hud.shown_health = 0;
    scene.hud.health_trail = 0.35f;
    add_line(scene, INFO_COLOUR, {"You were destroyed by player 3"}, 0.4f);
}

// A vessel beside the local plane; `carrying` decides boarding or missing.
void at_vessel(RenderCopy& copy, InterfaceScene& scene, bool carrying) {
    scene_game(copy, scene);
    World& w = copy.world;
    const Vec2 centre = copy.camera;
    w.objects[7] = make_scene_vessel(centre + Vec2{10, 0}, 0);
    w.planes[7].boarding_vessel = NONE;
    Plane& p = local(copy);
    p.shield = 0;
    p.angle = 0.2f;
    for (uint32_t& r : p.resources) r = carrying ? 17 : 15;
    if (carrying) {
        p.boarding_vessel = 7;
        p.boarding_timer = 1.3f;
        p.sun_resource = 4;
    } else {
        p.resources[1] = 9;
        p.resources[2] = 3;
    }
}

void boarding(RenderCopy& copy, InterfaceScene& scene) { at_vessel(copy, scene, true); }
void missing(RenderCopy& copy, InterfaceScene& scene) { at_vessel(copy, scene, false); }

void win(RenderCopy& copy, InterfaceScene& scene, uint8_t winner) {
    scene_game(copy, scene);
    copy.world.winner = winner;
    copy.world.round_over_timer = 27.4f;
    add_line(scene, winner == 0 ? GOLD_COLOUR : player_color(winner),
             {winner == 0 ? "You win!" : "Player 4 wins"}, 0.3f);
}

void win_local(RenderCopy& copy, InterfaceScene& scene) { win(copy, scene, 0); }
void win_other(RenderCopy& copy, InterfaceScene& scene) { win(copy, scene, 3); }

// Overlays over the HUD's middle texts: the countdown moves above the leave
// dialog; the banner and its countdown give way to the shop.
void leave_while_dead(RenderCopy& copy, InterfaceScene& scene) {
    respawn(copy, scene);
    scene.view.leave_dialog = {true, 0};
}
void shop_after_a_win(RenderCopy& copy, InterfaceScene& scene) {
    win(copy, scene, 3);
    scene.view.shop = {true, 0};
}

// The local plane near the world's corner, things off screen in every
// direction at several distances, and the sun across the corner.
void minimap_world(RenderCopy& copy) {
    scene_menu(copy, {0, 0}, 9);
    World& w = copy.world;
    const Vec2 me = {1900, 4500};
    add_body(w, make_scene_sun({9500, 150}));
    add_body(w, make_scene_planet({2600, 3900}, 1, 2.3f, 0));
    add_body(w, make_scene_planet({6100, 1700}, 5, 1.2f, 1));
    add_body(w, make_scene_planet({4300, 600}, 2, 3.1f, 2));
    w.planes[0] = make_scene_plane(0, me, -0.9f);
    w.planes[0].has_radar = w.planes[0].has_minimap = true;
    const Vec2 others[7] = {{1150, -60}, {-900, 260}, {300, -700}, {-2600, -1500}, {4200, 900}, {-400, 430}, {60, 3000}};
    for (int i = 0; i < 7; ++i) {
        w.planes[i + 1] = make_scene_plane(static_cast<uint8_t>(i + 1), me + others[i], 0.7f * static_cast<float>(i));
        w.planes[i + 1].pos = wrap(w.planes[i + 1].pos, w.size);
    }
    add_object(w, make_scene_vessel(wrap(me + Vec2{-1500, -420}, w.size), 0.4f));
    WorldObject station = make_scene_station(wrap(me + Vec2{900, -650}, w.size), 1.0f);
    station.owner = 2;
    add_object(w, station);
    WorldObject turret = make_scene_turret(wrap(me + Vec2{-820, -200}, w.size), 0);
    turret.owner = 3;
    add_object(w, turret);
    add_object(w, make_scene_collector(wrap(me + Vec2{200, 1100}, w.size), 0.3f, false));
    add_object(w, make_scene_collector({2600 + 480, 3900}, 1.0f, false));
    for (int i = 0; i < MAX_PLANES; ++i) copy.drawn[i] = w.planes[i].pos;
}

void minimap_radar(RenderCopy& copy, InterfaceScene& scene) {
    game_with(copy, scene, minimap_world);
    Plane& p = local(copy);
    p.shield = 35;
    p.sun_resource = 7;
    link_scene(copy, scene);
}

// Four bodies, the world's 64 objects, eight planes.
void crowded_world(RenderCopy& copy) {
    scene_busy(copy);
    World& w = copy.world;
    add_body(w, make_scene_planet({1200, 900}, 3, 0.7f, 0));
    add_body(w, make_scene_planet({8000, 4600}, 6, 4.4f, 1));
    for (int i = 0; w.object_count < MAX_OBJECTS; ++i) {
        const Vec2 p = {static_cast<float>((i * 1733) % 9600), static_cast<float>((i * 911) % 5400)};
        add_object(w, make_scene_collector(p, 0.1f * static_cast<float>(i), i % 5 == 0));
    }
}

}  // namespace

void link_scene(RenderCopy& copy, InterfaceScene& scene) {
    InterfaceView& v = scene.view;
    v.notifications = &scene.notifications;
    v.chat = &scene.chat;
    if (v.screen != Screen::Playing) return;
    v.world = &copy.world;
    v.local_slot = copy.local_slot;
    v.hud = &scene.hud;
    v.time = copy.time;
    copy.shield_flash[0] = scene.hud.hit_flash[0];
    fill_shop_cells(v.shop_cells, copy.world, copy.local_slot);
}

void scene_game(RenderCopy& copy, InterfaceScene& scene) { game_with(copy, scene, busy_world); }

void scene_main_menu(RenderCopy& copy, InterfaceScene& scene) {
    reset_scene(scene);
    scene_menu(copy, {4800, 2700}, 3);
    link_scene(copy, scene);
}

void scene_busiest_interface(RenderCopy& copy, InterfaceScene& scene) {
    game_with(copy, scene, crowded_world);
    Plane& p = local(copy);
    p.has_radar = p.has_minimap = true;
    p.sun_resource = 12;
    p.health = 120;
    scene.hud.health_trail = 0.95f;
    scene.view.shop = {true, 5};
    for (int i = 0; i < MAX_NOTIFICATIONS; ++i) {
        add_line(scene, player_color(static_cast<uint8_t>(i)), {"Player ", decimal(static_cast<uint64_t>(i) + 1), ": ",
                 "a chat line of middling length to fill the HUD"}, 0.2f * static_cast<float>(i), CHAT_HOLD);
    }
    scene.notifications.pulse = 0.5f;
    type_chat(scene, "on my way to the exit vessel, cover me");
    link_scene(copy, scene);
}

const NamedInterfaceScene INTERFACE_SCENES[] = {
    {"ui_main_menu", main_menu},
    {"ui_servers", server_list},
    {"ui_servers_internet", server_list_internet},
    {"ui_settings", settings},
    {"ui_game", game},
    {"ui_practice", practice},
    {"ui_tutorial_0", tutorial<0>},
    {"ui_tutorial_1", tutorial<1>},
    {"ui_tutorial_2", tutorial<2>},
    {"ui_tutorial_3", tutorial<3>},
    {"ui_tutorial_4", tutorial<4>},
    {"ui_tutorial_5", tutorial<5>},
    {"ui_tutorial_6", tutorial<6>},
    {"ui_tutorial_7", tutorial<7>},
    {"ui_tutorial_8", tutorial<8>},
    {"ui_tutorial_9", tutorial<9>},
    {"ui_shop", shop},
    {"ui_leave_game", leave_game},
    {"ui_leave_tutorial", leave_tutorial},
    {"ui_chat", chat},
    {"ui_respawn", respawn},
    {"ui_boarding", boarding},
    {"ui_missing", missing},
    {"ui_win_local", win_local},
    {"ui_win_other", win_other},
    {"ui_leave_while_dead", leave_while_dead},
    {"ui_shop_after_a_win", shop_after_a_win},
    {"ui_minimap_radar", minimap_radar},
    {"ui_busiest", scene_busiest_interface},
};
const int INTERFACE_SCENE_COUNT = static_cast<int>(sizeof INTERFACE_SCENES / sizeof INTERFACE_SCENES[0]);

#include "app/requests.h"

#include <algorithm>

#include "app/app.h"
#include "app/client_hooks.h"
#include "app/server_edits.h"
#include "app/session_glue.h"
#include "app/text_input.h"
#include "audio/audio_device.h"

void carry_out(App& app, Request request) {
    switch (request.ask) {
    case Ask::Nothing: break;
    case Ask::StartTutorial: start_tutorial(app); break;
    case Ask::StartPractice: start_practice(app); break;
    case Ask::StartOnline:
        if (request.server < app.servers.count) start_online_session(app, server_at(app.servers, request.server));
        break;
    case Ask::AddServer: add_typed_server(app); break;
    case Ask::RemoveServer: remove_server(app, request.server); break;
    case Ask::LeaveSession: leave_session(app); break;
    case Ask::Quit: app.running = false; break;
    case Ask::ApplyVolume: apply_volume(app); break;
    }
    follow_chat_input(app);
}

void apply_volume(App& app) {
    if (app.audio) set_master_volume(*app.audio, std::clamp(app.volume / 100.0f, 0.0f, 1.0f));
}

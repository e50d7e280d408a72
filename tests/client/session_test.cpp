// Starting and leaving sessions, the HUD's health bar, and the camera.
#include "client/session.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "server/bot_slots.h"
#include "server/server_session.h"

namespace {

std::string last_line(const Session& s) {
    return s.notifications.count ? std::string(s.notifications.items[s.notifications.count - 1].view()) : "";
}

void name_entry(ServerEntry& e, const char* text) {
    e.text_length = static_cast<uint16_t>(std::strlen(text));
    std::memcpy(e.text, text, e.text_length);
}

TEST(StartOnlineSession, RefusesWhatCannotBeReachedOrPlayed) {
    Session s;
    ServerEntry nowhere;
    name_entry(nowhere, "no.such.host");
    EXPECT_FALSE(start_online_session(s, nowhere));
    EXPECT_EQ(last_line(s), "Can't find no.such.host");
    EXPECT_EQ(s.notifications.items[0].colour.r, REFUSAL_COLOUR.r);

    ServerEntry other;
    name_entry(other, "old.example:7777");
    other.has_endpoint = true;
    other.endpoint = make_endpoint(127, 0, 0, 1, 9);
    other.result.answered = true;
    other.result.compatible = false;
    other.status.store(ServerStatus::Answered);
    EXPECT_FALSE(start_online_session(s, other));
    EXPECT_EQ(last_line(s), "old.example:7777 runs a different version of the game");
    EXPECT_FALSE(s.active);
    EXPECT_EQ(s.link.kind, LinkKind::Closed);

    // Unreachable at the last query: the player may still try.
    other.status.store(ServerStatus::Unreachable);
    s.client.world.planes[0].in_use = true;
    s.pending_buy = 3;
    s.chat.typing = true;
    s.hud.shown_health = 0.5f;
    ASSERT_TRUE(start_online_session(s, other));
    EXPECT_EQ(last_line(s), "Connecting to old.example:7777");
    EXPECT_TRUE(s.active);
    EXPECT_FALSE(s.tutorial);
    EXPECT_EQ(s.server_name(), "old.example:7777");
    EXPECT_EQ(s.link.kind, LinkKind::Online);
    EXPECT_FALSE(s.client.world.planes[0].in_use);
    EXPECT_EQ(s.pending_buy, 0);
    EXPECT_FALSE(s.chat.typing);
    EXPECT_EQ(s.hud.shown_health, 1.0f);

    leave_session(s);
    EXPECT_FALSE(s.active);
    EXPECT_EQ(s.link.kind, LinkKind::Closed);
    EXPECT_EQ(s.server_name(), "");
}

TEST(StartTutorial, OpensTheInProcessLinkWithoutAConnectingLine) {
    Session s;
    ASSERT_TRUE(start_tutorial(s));
    EXPECT_TRUE(s.active);
    EXPECT_TRUE(s.tutorial);
    EXPECT_EQ(s.link.kind, LinkKind::InProcess);
    ASSERT_NE(s.link.session, nullptr);
    EXPECT_EQ(s.notifications.count, 0);
    leave_session(s);
    EXPECT_EQ(s.link.session, nullptr);
    EXPECT_FALSE(s.tutorial);
}

// Practice: the player and three computer players of the setting's skill.
TEST(StartPractice, ThreeBotsOfTheChosenSkillJoinWithThePlayer) {
    for (BotSkill skill : {BotSkill::Easy, BotSkill::Normal, BotSkill::Hard}) {
        Session s;
        ASSERT_TRUE(start_practice(s, skill, 7));
        EXPECT_TRUE(s.practice);
        ASSERT_NE(s.link.session, nullptr);
        const ServerSession& server = *s.link.session;
        Vec2 camera{};
        testing::internal::CaptureStderr();
        for (int i = 0; i < 8 && bots_in(server) < 3; ++i) {
            float one = 1.25f * TICK;
            session_frame(s, {}, one, camera);
        }
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(people_in(server), 1u) << skill_name(skill);
        ASSERT_EQ(bots_in(server), 3u) << skill_name(skill);
        for (int i = 0; i < MAX_PLANES; ++i) {
            if (!server.slots[i].in_use || !server.slots[i].bot) continue;
            EXPECT_EQ(server.bots.bots[i].skill, skill) << i;
        }
        leave_session(s);
    }
}

// A frame spends every whole tick of its accumulated time, an exact one too,
// and keeps the rest for the next frame.
TEST(SessionFrame, SpendsEveryWholeTick) {
    struct Case {
        float time;
        uint64_t ticks;
        float rest;
    } cases[] = {{0.5f * TICK, 0, 0.5f * TICK}, {TICK, 1, 0.0f}, {2.0f * TICK, 2, 0.0f}, {2.5f * TICK, 2, 2.5f * TICK - TICK - TICK}};
    for (const Case& k : cases) {
        Session s;
        ASSERT_TRUE(start_tutorial(s));
        Vec2 camera{};
        float time = k.time;
        session_frame(s, {}, time, camera);
        EXPECT_EQ(s.client.client_tick, k.ticks) << k.time / TICK << " ticks of time";
        EXPECT_EQ(time, k.rest) << k.time / TICK << " ticks of time";
        leave_session(s);
    }
}

TEST(Camera, CentreWhileNotJoinedThenTheOwnPlaneWhileAlive) {
    Session s;
    ASSERT_TRUE(start_tutorial(s));
    Vec2 camera{1, 1};
    float none = 0;
    session_frame(s, {}, none, camera);
    EXPECT_EQ(camera, (Vec2{4800, 2700}));

    testing::internal::CaptureStderr();
    for (int i = 0; i < 7; ++i) {  // the last tick is odd: no snapshot waits
        float one = 1.25f * TICK;
        session_frame(s, {}, one, camera);
    }
    testing::internal::GetCapturedStderr();
    ASSERT_TRUE(s.client.world.planes[0].in_use);
    EXPECT_EQ(camera, displayed_position(s.client, 0));

    s.client.world.planes[0].dead = true;
    const Vec2 before = camera;
    s.client.world.planes[0].pos = {10, 10};
    float zero = 0;
    session_frame(s, {}, zero, camera);  // no tick: the snapshot waits for the next frame
    EXPECT_EQ(camera, before);
    leave_session(s);
}

// Damage drops the bar at once; its trail waits 0.4 s, then falls at 0.8 of
// the bar per second until it meets the bar.
TEST(Hud, HealthTrailWaitsThenFalls) {
    World w;
    w.planes[2].in_use = true;
    w.planes[2].health = w.rules.plane_health;
    HudValues hud;
    update_hud(hud, w, true, 2);
    EXPECT_EQ(hud.shown_health, 1.0f);

    w.planes[2].health = static_cast<uint16_t>(w.rules.plane_health / 2);
    update_hud(hud, w, true, 2);
    EXPECT_EQ(hud.shown_health, 0.5f);
    EXPECT_EQ(hud.health_trail, 1.0f);
    int ticks = 1;
    while (hud.health_trail == 1.0f && ticks < 1000) {
        update_hud(hud, w, true, 2);
        ++ticks;
    }
    EXPECT_NEAR(ticks, 49, 1);  // 0.4 s after the damage, the first fall
    while (hud.health_trail > 0.5f && ticks < 1000) {
        update_hud(hud, w, true, 2);
        ++ticks;
    }
    EXPECT_NEAR(ticks, 49 + 75, 2);  // half a bar at 0.8 per second: 0.625 s
    EXPECT_EQ(hud.health_trail, 0.5f);

    // Not joined: a full bar.
    update_hud(hud, w, false, 2);
    EXPECT_EQ(hud.shown_health, 1.0f);
    EXPECT_EQ(hud.health_trail, 1.0f);

    // A zero plane health from the server names no fraction.
    w.rules.plane_health = 0;
    update_hud(hud, w, true, 2);
    EXPECT_EQ(hud.shown_health, 1.0f);
}

TEST(Hud, ShieldHitsFlashTheirSlotWhileJoined) {
    World w;
    push_event_at(w, EVENT_SHIELD_HIT, {0, 0}, 5, 0);
    HudValues hud;
    update_hud(hud, w, false, 0);
    EXPECT_EQ(hud.hit_flash[5], 0.0f);
    update_hud(hud, w, true, 0);
    EXPECT_EQ(hud.hit_flash[5], 0.25f);
    w.event_count = 0;
    update_hud(hud, w, true, 0);
    EXPECT_EQ(hud.hit_flash[5], 0.25f - TICK);
}

}  // namespace

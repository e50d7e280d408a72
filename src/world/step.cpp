#include "world/step.h"

#include "world/bodies.h"
#include "world/boarding.h"
#include "world/contacts.h"
#include "world/damage.h"
#include "world/flight.h"
#include "world/gathering.h"
#include "world/hooks.h"
#include "world/hulls.h"
#include "world/objects.h"
#include "world/shots.h"
#include "world/stations.h"
#include "world/turrets.h"

namespace {

void update_hooks(World& w) {
    for (Plane& p : w.planes)
        if (p.in_use && !p.dead && p.hook_out) update_hook(w, p);
}

}  // namespace

// The phases run one after another over all entries, in this order.
void step_world(World& w) {
    w.event_count = 0;
    update_planes(w);
    update_hooks(w);
    update_objects(w);
    HullCache hulls;  // angles and hulls stay put from here through the body contacts
    fill_hull_cache(w, hulls);
    update_shots(w, hulls);
    plane_contacts(w, hulls);
    object_contacts(w, hulls);
    body_contacts(w, hulls);
    apply_sun_heat(w);
    gather(w);
    update_turrets(w);
    update_stations(w);
    end_of_round(w);
}

// The motion wrapper library as a delivery path into the CAN input queues:
// registering the two callbacks with one controller and taking them back.
#include "can/can.h"
#include "can/can_delivery.h"
#include "errors/errors.h"
#include "motion/motion.h"

namespace {

// The controller that holds the callbacks; 0 when none does. Owned by the
// instrument thread.
mwi_handle g_controller = 0;
bool g_registered = false;

// The library's text for the controller's last error.
void report_refusal(const char* call, mwi_handle controller) {
    int32_t error = 0;
    char text[256] = "";
    if (gl_Mwi.GetError_MWI == nullptr || gl_Mwi.GetError_MWI(controller, &error) == 0 ||
        gl_Mwi.GetErrorString_MWI == nullptr || gl_Mwi.GetErrorString_MWI(error, text, sizeof text) == 0)
        text[0] = '\0';
    gl_PrintFunc("%s failed: %s\n", call, text);
}

}  // namespace

int32_t can_mwi_register_events(int64_t controller) {
    can_mwi_unregister_events();
    if (gl_Mwi.RegisterCanEvents_MWI == nullptr || gl_Mwi.UnregisterCanEvents_MWI == nullptr)
        return ERR_KVX_FUNCTION_MAP;
    CanCreateSyncObjects();
    can_mwi_path().open();
    if (gl_Mwi.RegisterCanEvents_MWI(controller, mwi_pdo_callback, mwi_emcy_callback) == 0) {
        can_mwi_path().close();
        report_refusal("RegisterCanEvents_MWI", controller);
        return ERR_MC_COMM;
    }
    g_controller = controller;
    g_registered = true;
    return NO_ERROR;
}

void can_mwi_unregister_events() {
    if (!g_registered) return;
    if (gl_Mwi.UnregisterCanEvents_MWI == nullptr || gl_Mwi.UnregisterCanEvents_MWI(g_controller) == 0)
        report_refusal("UnregisterCanEvents_MWI", g_controller);
    // Whether or not the library let go of them, the callbacks take nothing
    // more, and one that runs now finishes first.
    can_mwi_path().close();
    g_registered = false;
    g_controller = 0;
}

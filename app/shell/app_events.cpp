#include "shell/app_events.h"

namespace tarnwick {

AppEvents& AppEvents::instance()
{
    static AppEvents* events = new AppEvents; // never destroyed: observers may outlive main
    return *events;
}

} // namespace tarnwick

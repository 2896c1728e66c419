// The GUI toolkit in one include.
#pragma once

#include "platform/ui/application.h"
#include "platform/ui/backend.h"
#include "platform/ui/component.h"
#include "platform/ui/controls.h"
#include "platform/ui/events.h"
#include "platform/ui/form.h"
#include "platform/ui/form_loader.h"
#include "platform/ui/menus.h"
#include "platform/ui/nonvisual.h"
#include "platform/ui/style.h"
#include "platform/ui/types.h"

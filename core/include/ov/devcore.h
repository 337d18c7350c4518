#pragma once

// Everything a host application needs from libdevcore.so.

#include <ov/contracts.h>
#include <ov/facade.h>
#include <ov/ovnexception.h>
#include <ov/ovsms_records.h>
#include <ov/plugin.h>
#include <ov/videodevsdk.h>

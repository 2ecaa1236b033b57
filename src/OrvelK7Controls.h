#pragma once

// Everything an application needs to put the controls on its screens: the seven controls, the
// kinds of child they expose (lblCode(), btnCause(), ...), the catalog that creates them by name,
// the host interface a screen may implement, the bag a screen persists controls in, the write
// journal a host turns on, and the error the host-called methods raise. JsonBag
// (json/JsonBag.h) and RestClient (service/RestClient.h) are public too.
#include "controls/ControlCatalog.h"
#include "controls/faijustifier/FaiJustifier.h"
#include "controls/oeetracker/OEETracker.h"
#include "controls/pathcontrol/PathControl.h"
#include "controls/prodcode/ProdCode.h"
#include "controls/productionperiodtable/ProductionPeriodTable.h"
#include "controls/scrapscreen/ScrapScreen.h"
#include "controls/timetracker/TimeTracker.h"
#include "core/RuntimeError.h"
#include "frame/children/CommandButton.h"
#include "frame/children/Label.h"
#include "frame/control/ControlHost.h"
#include "frame/properties/PropertyBag.h"
#include "frame/requests/WriteJournal.h"

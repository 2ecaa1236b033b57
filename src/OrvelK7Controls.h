#pragma once

// Everything an application needs to put the controls on its screens: the seven controls, the
// kinds of child they expose (lblCode(), btnCause(), ...), the catalog that creates them by name,
// and the host interface a screen may implement.
#include "controls/ControlCatalog.h"
#include "frame/CommandButton.h"
#include "frame/Label.h"
#include "controls/faijustifier/FaiJustifier.h"
#include "frame/ControlHost.h"
#include "controls/oeetracker/OEETracker.h"
#include "controls/prodcode/ProdCode.h"
#include "controls/productionperiodtable/ProductionPeriodTable.h"
#include "controls/scrapscreen/ScrapScreen.h"
#include "controls/timetracker/TimeTracker.h"
#include "controls/pathcontrol/PathControl.h"

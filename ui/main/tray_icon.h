// The notification-area icon's tooltip, kept in step with a running operation.
#pragma once

// Sets the tooltip to TrayTooltipText() when the icon is shown.
void UpdateTrayTooltip();

#!/usr/bin/env bash
# Ends the wine server of the Windows test prefix, so nothing outlives the run.
wineserver="$(command -v wineserver || echo /usr/lib/wine/wineserver64)"
"$wineserver" -k 2>/dev/null || true

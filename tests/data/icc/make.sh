#!/usr/bin/env bash
# Makes the colour profiles the calibration tests read. Needs Debian's argyll and colord-data.
set -euo pipefail
cd "$(dirname "$0")"
# A 2-byte table 'vcgt' written by Argyll into its reference sRGB profile (V2).
iccvcgt -i /usr/share/color/argyll/ref/sRGB.icm curves.cal argyll-table.icc
# A V4 display profile with a 2-byte table 'vcgt', as colord ships it.
cp /usr/share/color/icc/colord/Gamma5000K.icc colord-gamma5000k.icc
# The edge cases, each derived from the Argyll profile.
python3 derive.py argyll-table.icc

#!/usr/bin/env bash
# On a 3840 x 2160 screen at 192 DPI the status screen is shown at twice its size, centred,
# each of its pixels a 2 x 2 block and its frame where the ordinary screen has it, at doubled
# coordinates; with "Scale" 1, set in the settings dialog, the same screen shows it at its own
# size.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_setup high_dpi 3840x2160x24
e2e_set_dpi 192 || e2e_fail "cannot set Wine's DPI"

e2e_write_ini "Blank=0" "Minutes=0"
e2e_start_sim --scenario steady --rate 2
e2e_start_saver /s
E2E_SCALE=2
e2e_wait_ready canvas 60
doubled=$E2E_WORK/ready-scale2.png
cp "$E2E_WORK/ready.png" "$doubled"
crop=$(e2e_canvas_crop)
[[ $crop == 1504x890+1168+635 ]] || e2e_fail "the doubled canvas would be at $crop"
lit=$(e2e_nonblack_box "$doubled") || e2e_fail "cannot read $doubled"
(($(e2e_box_left "$lit") >= 1168 && $(e2e_box_right "$lit") < 1168 + 1504 && $(e2e_box_top "$lit") >= 635 &&
  $(e2e_box_bottom "$lit") < 635 + 890)) || e2e_fail "something outside the doubled canvas is lit: $lit"

"$e2e_convert" "$doubled" -crop "$crop" +repage "$E2E_WORK/scale2.png" || e2e_fail "cannot crop $doubled"
# Whole pixels: taking one pixel of each 2 x 2 block and doubling it again gives the same picture.
"$e2e_convert" "$E2E_WORK/scale2.png" -sample 50% -sample 200% "$E2E_WORK/scale2-blocks.png"
differ=$("$e2e_compare" -metric AE "$E2E_WORK/scale2.png" "$E2E_WORK/scale2-blocks.png" null: 2>&1)
[[ $differ == 0 ]] || e2e_fail "$differ pixels of the doubled canvas are not whole 2 x 2 blocks"

# The frame and panels (the top 240 rows, above the graph whose colours vary) as a mask of the
# frame's violet, brought back to 752 x 445 by taking one pixel a block.
# shellcheck disable=SC2046
"$e2e_convert" "$doubled" -crop "$crop" +repage -alpha off $(_e2e_mask_ops "$E2E_VIOLET") -sample 50% \
  -crop 752x240+0+0 +repage "png:$E2E_WORK/mask-scale2.png" || e2e_fail "cannot make the doubled mask"

xdotool key space
e2e_wait_exit saver 30 || e2e_fail "the saver did not end after a key press"

# "Scale" 1 on the same screen: the canvas at its own size, centred. The factor is chosen in the
# settings dialog while orvane.ini cannot be written, so the saver has it from the user's store.
e2e_lock_ini || e2e_fail "cannot make orvane.ini immutable"
e2e_run_dialog alt+s 1 Return
[[ $(e2e_user_value Scale) == 1 && -z $(e2e_ini_value Scale) ]] || e2e_fail "the dialog did not keep Scale=1 for the user"
e2e_start_saver /s
E2E_SCALE=1
e2e_wait_ready canvas 60
crop=$(e2e_canvas_crop)
[[ $crop == 752x445+1544+857 ]] || e2e_fail "the canvas would be at $crop"
# shellcheck disable=SC2046
"$e2e_convert" "$E2E_WORK/ready.png" -crop "$crop" +repage -alpha off $(_e2e_mask_ops "$E2E_VIOLET") \
  -crop 752x240+0+0 +repage "png:$E2E_WORK/mask-scale1.png" || e2e_fail "cannot make the mask"
violet=$(e2e_color_count "$E2E_WORK/mask-scale1.png" '#FFFFFF')
((violet > 10000)) || e2e_fail "the frame has only $violet violet pixels at scale 1"
differ=$("$e2e_compare" -metric AE "$E2E_WORK/mask-scale1.png" "$E2E_WORK/mask-scale2.png" null: 2>&1)
[[ $differ == 0 ]] || e2e_fail "the doubled frame differs from the ordinary one in $differ of its pixels"

xdotool key space
e2e_wait_exit saver 30 || e2e_fail "the saver did not end after a key press"
e2e_pass

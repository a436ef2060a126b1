#!/usr/bin/env bash
# Installs the uploader for the current user and joins it to the desktop: a menu entry for
# the launcher, and "Upload to Norvel", "Share link" and "Post to Sina Weibo" in the file
# managers Nautilus (scripts), Dolphin (service menu) and Thunar (custom actions), each
# calling norvel-flinga-send. Run it again to update; --uninstall takes everything out.
#
#   scripts/install-desktop.sh [--from DIR] [--prefix DIR] [--in-place] [--uninstall]
#
#   --from DIR    a build tree or an unpacked install holding Flinga/ (default: build/main
#                 of this source tree)
#   --prefix DIR  where the programs are copied to, as DIR/Flinga/ (default:
#                 ${XDG_DATA_HOME:-~/.local/share}/norvel)
#   --in-place    copy nothing: the entries call the programs in --from's Flinga/
#   --uninstall   remove the entries, the file-manager actions and the copied programs
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
data_home=${XDG_DATA_HOME:-$HOME/.local/share}
config_home=${XDG_CONFIG_HOME:-$HOME/.config}
from=$here/build/main
prefix=$data_home/norvel
in_place=0
uninstall=0

die() { echo "install-desktop: $*" >&2; exit 1; }

while (($#)); do
  case $1 in
    --from) from=${2:?--from needs a folder}; shift 2 ;;
    --prefix) prefix=${2:?--prefix needs a folder}; shift 2 ;;
    --in-place) in_place=1; shift ;;
    --uninstall) uninstall=1; shift ;;
    -h|--help) sed -n '2,17p' "$0"; exit 0 ;;
    *) die "unknown argument: $1" ;;
  esac
done

apps_dir=$data_home/applications
nautilus_dir=$data_home/nautilus/scripts
dolphin_dir=$data_home/kio/servicemenus
thunar_file=$config_home/Thunar/uca.xml
desktop_file=$apps_dir/norvel-flinga.desktop
service_menu=$dolphin_dir/norvel-flinga.desktop

# The three commands: norvel-flinga-send command, menu label, description.
actions=(
  "upload|Upload to Norvel|Upload the selected files to the Norvel cloud disk"
  "share|Share link|Upload the selected files and copy share links for them"
  "weibo|Post to Sina Weibo|Upload the selected file and post it to Sina Weibo"
)

# Rewrites Thunar's actions without ours (unique ids "norvel-flinga-..."), then adds
# the lines on standard input before the closing </actions>. Other actions stay as
# they were.
merge_thunar_actions() {
  local ours
  ours=$(cat; echo .)  # the dot keeps the final line end from being cut off
  ours=${ours%.}
  mkdir -p "$(dirname "$thunar_file")"
  if [[ ! -s $thunar_file ]]; then
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<actions>\n</actions>\n' >"$thunar_file"
  fi
  local merged
  merged=$(mktemp "$thunar_file.XXXXXX")
  OURS=$ours awk '
    /<action>/ { inside = 1; block = ""; keep = 1 }
    inside {
      block = block $0 "\n"
      if ($0 ~ /<unique-id>norvel-flinga-/) keep = 0
      if ($0 ~ /<\/action>/) { inside = 0; if (keep) printf "%s", block }
      next
    }
    /<\/actions>/ { printf "%s", ENVIRON["OURS"] }
    { print }
  ' "$thunar_file" >"$merged"
  mv "$merged" "$thunar_file"
}

xml_escape() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g'; }

remove_integration() {
  rm -f "$desktop_file" "$service_menu"
  local entry
  for entry in "${actions[@]}"; do
    IFS='|' read -r _ label _ <<<"$entry"
    rm -f "$nautilus_dir/$label"
  done
  if [[ -f $thunar_file ]]; then
    merge_thunar_actions </dev/null
  fi
}

if ((uninstall)); then
  remove_integration
  rm -rf "$prefix/Flinga"
  rmdir "$prefix" 2>/dev/null || true
  echo "install-desktop: removed"
  exit 0
fi

[[ -x $from/Flinga/Norvel_Flinga && -x $from/Flinga/norvel-flinga-send ]] ||
  die "$from/Flinga holds no built launcher (build first, or name the folder with --from)"

if ((in_place)); then
  flinga=$(cd "$from/Flinga" && pwd)
else
  flinga=$prefix/Flinga
  mkdir -p "$flinga"
  for file in Norvel_Flinga libNorvel_flinga.so norvel-flinga-send; do
    if [[ -e $from/Flinga/$file ]]; then
      install -m 0755 "$from/Flinga/$file" "$flinga/$file.new"
      mv "$flinga/$file.new" "$flinga/$file"
    fi
  done
  if [[ -d $from/Flinga/skinwnd-res ]]; then
    rm -rf "$flinga/skinwnd-res"
    cp -r "$from/Flinga/skinwnd-res" "$flinga/skinwnd-res"
  fi
fi

# The paths go into desktop entries and shell scripts between double quotes.
case $flinga in
  *[\"\\\$\`%]* | *$'\n'*) die "the folder $flinga has a character the desktop entries cannot carry" ;;
esac
launcher=$flinga/Norvel_Flinga
send=$flinga/norvel-flinga-send

mkdir -p "$apps_dir" "$nautilus_dir" "$dolphin_dir"

cat >"$desktop_file" <<EOF
[Desktop Entry]
Type=Application
Name=Norvel Flinga
Comment=Upload files to the Norvel cloud disk
Exec="$launcher" -shortcut
Icon=folder-remote
Terminal=false
Categories=Network;FileTransfer;
StartupNotify=false
EOF

{
  cat <<EOF
[Desktop Entry]
Type=Service
X-KDE-ServiceTypes=KonqPopupMenu/Plugin
MimeType=all/all;
X-KDE-Submenu=Norvel
Actions=NorvelUpload;NorvelShare;NorvelWeibo;
EOF
  for entry in "${actions[@]}"; do
    IFS='|' read -r command label _ <<<"$entry"
    id=Norvel${command^}
    printf '\n[Desktop Action %s]\nName=%s\nIcon=folder-remote\nExec="%s" %s %%F\n' \
      "$id" "$label" "$send" "$command"
  done
} >"$service_menu"
chmod 0755 "$service_menu"  # Plasma runs only executable service menus

ours=""
for entry in "${actions[@]}"; do
  IFS='|' read -r command label description <<<"$entry"
  # Nautilus runs a script in the selection's folder with the selected names as arguments.
  printf '#!/bin/sh\n# %s (Norvel uploader)\nexec "%s" %s "$@"\n' "$label" "$send" "$command" \
    >"$nautilus_dir/$label"
  chmod 0755 "$nautilus_dir/$label"
  ours+="<action>
	<icon>folder-remote</icon>
	<name>$label</name>
	<unique-id>norvel-flinga-$command</unique-id>
	<command>$(printf '"%s" %s %%F' "$send" "$command" | xml_escape)</command>
	<description>$description</description>
	<patterns>*</patterns>
	<directories/>
	<audio-files/>
	<image-files/>
	<other-files/>
	<text-files/>
	<video-files/>
</action>
"
done
printf '%s' "$ours" | merge_thunar_actions

if command -v update-desktop-database >/dev/null 2>&1; then
  update-desktop-database "$apps_dir" >/dev/null 2>&1 || true
fi
echo "install-desktop: the uploader is in $flinga"
echo "install-desktop: menu entry, Nautilus scripts, Dolphin service menu and Thunar actions installed"

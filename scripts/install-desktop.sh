#!/usr/bin/env bash
# Installs the uploader for the current user and joins it to the desktop: a menu entry for
# the launcher with the program's icon, norvel-flinga-send on the PATH (~/.local/bin), and
# "Upload to Norvel", "Share link" and "Post to Sina Weibo" in the file managers Nautilus
# (scripts), Dolphin (service menu) and Thunar (custom actions), each calling
# norvel-flinga-send. Run it again to update; --uninstall takes it out again.
#
#   scripts/install-desktop.sh [--from DIR] [--prefix DIR] [--in-place]
#   scripts/install-desktop.sh --uninstall [--purge] [--prefix DIR]
#   scripts/install-desktop.sh --stage DIR --programs DIR
#
#   --from DIR      a build tree or an unpacked install holding Flinga/ (default: build/main
#                   of this source tree)
#   --prefix DIR    where the programs are copied to, as DIR/Flinga/ (default:
#                   ${XDG_DATA_HOME:-~/.local/share}/norvel)
#   --in-place      copy nothing: the entries call the programs in --from's Flinga/
#   --uninstall     remove the entries, the file-manager actions, the icons, the link in
#                   ~/.local/bin and the copied programs; the settings (with the saved
#                   login), the logs and the saved task list stay
#   --purge         with --uninstall: remove those too
#   --stage DIR     write only the menu entry and the Dolphin service menu below DIR
#                   (applications/, kio/servicemenus/), calling the programs in the
#                   --programs folder: the system-wide files of a package
#   -h, --help      this text
#
# File-manager labels are Chinese when the locale (LC_ALL, LC_MESSAGES, LANG) is Chinese,
# else English; the menu entry and the Dolphin service menu carry both.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
data_home=${XDG_DATA_HOME:-$HOME/.local/share}
config_home=${XDG_CONFIG_HOME:-$HOME/.config}
from=$here/build/main
prefix=$data_home/norvel
bin_dir=$HOME/.local/bin
in_place=0
uninstall=0
purge=0
stage=""
programs=""

die() { echo "install-desktop: $*" >&2; exit 1; }

while (($#)); do
  case $1 in
    --from) from=${2:?--from needs a folder}; shift 2 ;;
    --prefix) prefix=${2:?--prefix needs a folder}; shift 2 ;;
    --in-place) in_place=1; shift ;;
    --uninstall) uninstall=1; shift ;;
    --purge) purge=1; shift ;;
    --stage) stage=${2:?--stage needs a folder}; shift 2 ;;
    --programs) programs=${2:?--programs needs a folder}; shift 2 ;;
    -h|--help) sed -n '2,/^[^#]/{/^#/s/^# \{0,1\}//p}' "$0"; exit 0 ;;
    *) die "unknown argument: $1 (see --help)" ;;
  esac
done
((purge == 0 || uninstall)) || die "--purge goes with --uninstall"
[[ -z $stage || -n $programs ]] || die "--stage needs --programs"

apps_dir=$data_home/applications
nautilus_dir=$data_home/nautilus/scripts
dolphin_dir=$data_home/kio/servicemenus
thunar_file=$config_home/Thunar/uca.xml
desktop_file=$apps_dir/norvel-flinga.desktop
service_menu=$dolphin_dir/norvel-flinga.desktop
icon_root=$data_home/icons/hicolor
icon_name=norvel-flinga
send_link=$bin_dir/norvel-flinga-send

# The three commands: norvel-flinga-send command, English label, Chinese label,
# description.
actions=(
  "upload|Upload to Norvel|上传到Norvel网盘|Upload the selected files to the Norvel cloud disk"
  "share|Share link|生成分享外链|Upload the selected files and copy share links for them"
  "weibo|Post to Sina Weibo|分享到新浪微博|Upload the selected files and post them to Sina Weibo"
)

chinese=0
case ${LC_ALL:-${LC_MESSAGES:-${LANG:-}}} in zh*) chinese=1 ;; esac

# The label of an action in the user's language.
label_of() {
  local english chinese_label
  IFS='|' read -r _ english chinese_label _ <<<"$1"
  if ((chinese)); then printf '%s' "$chinese_label"; else printf '%s' "$english"; fi
}

# The launcher's menu entry ($1: the launcher). The window class is the program's name,
# which Qt gives the windows of the launcher and of the library it loads.
write_desktop_entry() {
  cat <<EOF
[Desktop Entry]
Type=Application
Name=Norvel Flinga
Name[zh_CN]=Norvel网盘Flinga
GenericName=Cloud Disk Uploader
GenericName[zh_CN]=网盘上传工具
Comment=Upload files to the Norvel cloud disk
Comment[zh_CN]=上传文件到Norvel网盘
Keywords=upload;cloud;disk;share;link;Norvel;
Keywords[zh_CN]=上传;网盘;分享;外链;
Exec="$1" -shortcut
Icon=$icon_name
Terminal=false
Categories=Network;FileTransfer;
StartupNotify=false
StartupWMClass=Norvel_Flinga
EOF
}

# Dolphin's service menu ($1: norvel-flinga-send), labelled in both languages.
write_service_menu() {
  cat <<EOF
[Desktop Entry]
Type=Service
X-KDE-ServiceTypes=KonqPopupMenu/Plugin
MimeType=all/all;
X-KDE-Submenu=Norvel
X-KDE-Submenu[zh_CN]=Norvel网盘
Actions=NorvelUpload;NorvelShare;NorvelWeibo;
EOF
  local entry command english chinese_label
  for entry in "${actions[@]}"; do
    IFS='|' read -r command english chinese_label _ <<<"$entry"
    printf '\n[Desktop Action %s]\nName=%s\nName[zh_CN]=%s\nIcon=%s\nExec="%s" %s %%F\n' \
      "Norvel${command^}" "$english" "$chinese_label" "$icon_name" "$1" "$command"
  done
}

# The paths go into desktop entries and shell scripts between double quotes.
check_carriable() {
  case $1 in
    *[\"\\\$\`%]* | *$'\n'*) die "the folder $1 has a character the desktop entries cannot carry" ;;
  esac
}

if [[ -n $stage ]]; then
  check_carriable "$programs"
  mkdir -p "$stage/applications" "$stage/kio/servicemenus"
  write_desktop_entry "$programs/Norvel_Flinga" >"$stage/applications/norvel-flinga.desktop"
  write_service_menu "$programs/norvel-flinga-send" >"$stage/kio/servicemenus/norvel-flinga.desktop"
  chmod 0755 "$stage/kio/servicemenus/norvel-flinga.desktop"
  exit 0
fi

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
  local entry english chinese_label
  for entry in "${actions[@]}"; do
    IFS='|' read -r _ english chinese_label _ <<<"$entry"
    rm -f "$nautilus_dir/$english" "$nautilus_dir/$chinese_label"
  done
  if [[ -f $thunar_file ]]; then
    merge_thunar_actions </dev/null
  fi
  rm -f "$icon_root"/*/apps/"$icon_name.png"
  # The link only when it is ours: a program of that name the user put there stays.
  if [[ -L $send_link && $(readlink "$send_link") == */Flinga/norvel-flinga-send ]]; then
    rm -f "$send_link"
  fi
}

# The settings file, where the settings store finds it.
settings_file() {
  if [[ -n ${NORVEL_REGISTRY:-} ]]; then
    printf '%s' "$NORVEL_REGISTRY"
  else
    local config=${XDG_CONFIG_HOME:-}
    [[ $config == /* ]] || config=$HOME/.config
    printf '%s' "$config/norvel/registry.reg"
  fi
}

if ((uninstall)); then
  remove_integration
  for file in Norvel_Flinga libNorvel_flinga.so norvel-flinga-send; do
    rm -f "$prefix/Flinga/$file"
  done
  rm -rf "$prefix/Flinga/skinwnd-res"
  settings=$(settings_file)
  if ((purge)); then
    rm -rf "$prefix/Log"
    rm -f "$prefix/Flinga"/uploader.dat* "$settings" "$settings.lock"
    rmdir "$(dirname "$settings")" 2>/dev/null || true
  fi
  rmdir "$prefix/Flinga" "$prefix" 2>/dev/null || true
  echo "install-desktop: removed the programs, the menu entry, the icons, the link in $bin_dir and the file-manager actions"
  if ((purge)); then
    echo "install-desktop: also removed the settings with the saved login ($settings), the logs ($prefix/Log) and the saved task list"
  else
    echo "install-desktop: left: the settings with the saved login ($settings), the logs ($prefix/Log) and the saved task list ($prefix/Flinga/uploader.dat); --uninstall --purge removes them too"
  fi
  exit 0
fi

[[ -x $from/Flinga/Norvel_Flinga && -x $from/Flinga/norvel-flinga-send ]] ||
  die "$from/Flinga holds no built launcher (build first, or name the folder with --from)"

if ((in_place)); then
  flinga=$(cd "$from/Flinga" && pwd)
else
  flinga=$prefix/Flinga
fi
check_carriable "$flinga"
if ((!in_place)); then
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
launcher=$flinga/Norvel_Flinga
send=$flinga/norvel-flinga-send

mkdir -p "$apps_dir" "$nautilus_dir" "$dolphin_dir"

# The icon at every size the build drew; the skin's picture when it drew none.
if [[ -d $from/Flinga/icons/hicolor ]]; then
  for icon in "$from"/Flinga/icons/hicolor/*/apps/"$icon_name.png"; do
    size=$(basename "$(dirname "$(dirname "$icon")")")
    install -D -m 0644 "$icon" "$icon_root/$size/apps/$icon_name.png"
  done
elif [[ -f $from/Flinga/skinwnd-res/uploader/app_icon.png ]]; then
  install -D -m 0644 "$from/Flinga/skinwnd-res/uploader/app_icon.png" \
    "$icon_root/64x64/apps/$icon_name.png"
fi
touch "$icon_root" 2>/dev/null || true  # icon caches see a change by the folder's time
if command -v gtk-update-icon-cache >/dev/null 2>&1 && [[ -f $icon_root/index.theme ]]; then
  gtk-update-icon-cache -q "$icon_root" >/dev/null 2>&1 || true
fi

write_desktop_entry "$launcher" >"$desktop_file"
write_service_menu "$send" >"$service_menu"
chmod 0755 "$service_menu"  # Plasma runs only executable service menus

# norvel-flinga-send on the PATH; a file of that name that is not a link stays.
mkdir -p "$bin_dir"
if [[ -e $send_link && ! -L $send_link ]]; then
  echo "install-desktop: $send_link exists and is not a link: left as it is" >&2
else
  ln -sfn "$send" "$send_link"
fi
case ":$PATH:" in
  *":$bin_dir:"*) ;;
  *) echo "install-desktop: $bin_dir is not on your PATH: add it to call norvel-flinga-send by name" ;;
esac

# A label of the other language left by an earlier install under another locale goes.
for entry in "${actions[@]}"; do
  IFS='|' read -r _ english chinese_label _ <<<"$entry"
  rm -f "$nautilus_dir/$english" "$nautilus_dir/$chinese_label"
done

ours=""
for entry in "${actions[@]}"; do
  IFS='|' read -r command _ _ description <<<"$entry"
  label=$(label_of "$entry")
  # Nautilus runs a script in the selection's folder with the selected names as arguments.
  printf '#!/bin/sh\n# %s (Norvel uploader)\nexec "%s" %s "$@"\n' "$label" "$send" "$command" \
    >"$nautilus_dir/$label"
  chmod 0755 "$nautilus_dir/$label"
  ours+="<action>
	<icon>$icon_name</icon>
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
echo "install-desktop: menu entry, icons, $send_link, Nautilus scripts, Dolphin service menu and Thunar actions installed"

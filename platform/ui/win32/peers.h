// The Win32 peers of the toolkit's components (internal to the backend): one factory per
// family, each in its own file, and MakePeer, the one choice by kind.
#pragma once

#include <memory>

#include "platform/ui/ui.h"

namespace ui::win32 {

class Backend;

std::unique_ptr<Peer> MakePeer(Backend& backend, Component& c);

std::unique_ptr<Peer> MakeButtonPeer(Backend& backend, Button& button);           // button_peers.cpp
std::unique_ptr<Peer> MakeCheckBoxPeer(Backend& backend, CheckBox& box);
std::unique_ptr<Peer> MakeRadioButtonPeer(Backend& backend, RadioButton& radio);
std::unique_ptr<Peer> MakeSpinEditPeer(Backend& backend, SpinEdit& spin);         // spin_edit_peer.cpp
std::unique_ptr<Peer> MakeTrackBarPeer(Backend& backend, TrackBar& slider);       // slider_peer.cpp
std::unique_ptr<Peer> MakeComboBoxPeer(Backend& backend, ComboBox& combo);        // combo_peers.cpp
std::unique_ptr<Peer> MakeColorBoxPeer(Backend& backend, ColorBox& colors);
std::unique_ptr<Peer> MakeProgressBarPeer(Backend& backend, ProgressBar& bar);    // progress_peer.cpp
std::unique_ptr<Peer> MakeGroupBoxPeer(Backend& backend, GroupBox& group);        // panel_peers.cpp
std::unique_ptr<Peer> MakePanelPeer(Backend& backend, TabControl& panel);
std::unique_ptr<Peer> MakeFormPeer(Backend& backend, Form& form);                 // form_peer.cpp
std::unique_ptr<Peer> MakeLightPeer(Control& control);                            // light_peers.cpp
std::unique_ptr<Peer> MakeMenuPeer(PopupMenu& menu);                              // menu_peer.cpp
std::unique_ptr<Peer> MakeTimerPeer(Backend& backend, Timer& timer);              // timer_peer.cpp
std::unique_ptr<Peer> MakeTrayPeer(Backend& backend, TrayIcon& icon);             // tray_peer.cpp

}  // namespace ui::win32

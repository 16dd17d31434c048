#pragma once
// The menu commands' ids. The handler acts on ids kFirstCommand ... kLastCommand only.
#include <cstdint>

namespace kanvo {

enum CommandId : int32_t {
  kFirstCommand = 32788,
  kCmdNew = 32788,
  kCmdOpen = 32789,
  kCmdSave = 32790,
  kCmdSaveAs = 32791,
  kCmdAbout = 32792,
  kCmdQuit = 32793,
  kCmdUndo = 32794,
  kCmdZoomIn = 32795,
  kCmdZoomOut = 32796,
  kCmdMirror = 32797,
  kCmdResolution = 32802,
  kCmdRotateRight = 32807,
  kCmdRotateLeft = 32809,
  kCmdClear = 32810,
  kCmdTrimming = 32811,
  kCmdAntialias = 32823,
  kCmdCamera = 32825,
  kCmdFullscreen = 32826,
  kCmdBezier = 32827,
  kCmdRedraw = 32829,
  kCmdResetView = 32833,
  kCmdExchangeColor = 32836,
  kCmdQuickSave = 32837,
  kCmdCopyFilename = 32839,
  kCmdRedo = 32841,
  kCmdLayerExchange = 32843,
  kLastCommand = 32843,
};

}  // namespace kanvo

// The command identifiers of the main window's menu and of its menu-less commands.
#pragma once

namespace quorvel {

enum Command : int {
  CMD_LOAD_MDL = 100,
  CMD_ABOUT = 104,
  CMD_EXIT = 105,
  CMD_EXPORT_PT3D_NORMAL = 106,
  CMD_EXPORT_PT3D_CLASS = 107,
  CMD_EXPORT_COUNT_MAP = 108,
  CMD_EXPORT_ROAD_HEIGHT = 109,
  CMD_EXPORT_ROAD_DS = 110,
  CMD_EXPORT_NONROAD_DS = 111,
  CMD_ZOOM_25 = 120,
  CMD_ZOOM_50 = 121,
  CMD_ZOOM_100 = 122,
  CMD_ZOOM_150 = 123,
  CMD_ZOOM_200 = 124,
  CMD_RANGE_IMAGE = 130,
  CMD_VARIANCE_MAP = 131,
  CMD_NORMAL_MAP = 132,
  CMD_CONTOUR_MAP = 133,
  CMD_SEGMENT_REGIONS = 134,
  CMD_LINE_SEGGER = 135,
  CMD_REGION_MAP = 136,  // the regions picture, after the region segmentation
  CMD_TILE_OUTLINES = 141,
  CMD_QUERY_MODE = 142,
  CMD_INVERSE = 143,
  CMD_MASK_RANGE = 145,
};

// Resources: the icon, the menu bar and the three dialog templates.
enum Resource : int {
  IDI_MAIN_ICON = 5,
  IDR_MAIN_MENU = 6,
  IDD_ABOUT = 1,
  IDD_QUERY_INFO = 301,
  IDD_MASK_RANGE = 302,
};

}  // namespace quorvel

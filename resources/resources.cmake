# The interface resources of norvane_ui: style sheets and the generated artwork (tools/artwork.sh).
# Each file is compiled in under the resource path the code asks for (prefix + alias); the
# files on disk are grouped by use under resources/.
function(norvane_add_ui_resources target)
    set(root ${CMAKE_SOURCE_DIR}/resources)
    # prefix | alias directory | files (relative to the source directory)
    set(groups
        "global|resources|images/global"
        "main|resources/main|images/main"
        "buttons|resources/buttons|images/buttons"
        "dialogs|resources/dialogs|images/dialogs"
        "options|resources/options|images/options"
        "stylesheets|resources/stylesheets|stylesheets")
    set(files_global MainFormNoLogo.png Logo.png SystrayIconRed.png SystrayIconGreen.png
        IndicatorConnected.png IndicatorDisconnected.png IndicatorEmpty.png ConnectingProgress.png
        FormMinimize.png FormMinimizeOver.png FormMinimizePressed.png
        FormClose.png FormCloseOver.png FormClosePressed.png)
    set(files_main MenuArrowLeft.png MenuArrowRight.png Restart.png DropDownArrow.png)
    set(files_buttons DialogGreenButton.png DialogGreenButtonHover.png DialogGreenButtonPressed.png
        DialogGreyButton.png DialogGreyButtonHover.png DialogGreyButtonPressed.png)
    set(files_dialogs EmptyDialog.png)
    set(files_options CheckMark.svg)
    set(files_stylesheets default.qss main_view.qss menu_view.qss error_view.qss initialization_view.qss
        sign_in_view.qss options_dialog.qss)
    foreach(group IN LISTS groups)
        string(REPLACE "|" ";" parts "${group}")
        list(GET parts 0 prefix)
        list(GET parts 1 alias_dir)
        list(GET parts 2 disk_dir)
        set(paths)
        foreach(file IN LISTS files_${prefix})
            set(path ${root}/${disk_dir}/${file})
            set_source_files_properties(${path} PROPERTIES QT_RESOURCE_ALIAS ${alias_dir}/${file})
            list(APPEND paths ${path})
        endforeach()
        qt_add_resources(${target} "norvane_ui_${prefix}" PREFIX "/${prefix}" FILES ${paths})
    endforeach()
endfunction()

# The server list pictures, compiled into the library that holds the list model: state icons
# under :/servers/resources/servers/, flags under :/flags/resources/servers/flags/.
function(norvane_add_server_resources target)
    set(root ${CMAKE_SOURCE_DIR}/resources/images/servers)
    set(states FavoriteOff FavoriteOn Fastest FavoriteFastest
        Anchor AnchorFavorite AnchorFastest AnchorFavoriteFastest)
    set(icons)
    foreach(state IN LISTS states)
        foreach(bucket 00 20 35 50 65 80)
            set(path ${root}/${state}_percent_${bucket}.png)
            set_source_files_properties(${path} PROPERTIES
                QT_RESOURCE_ALIAS resources/servers/${state}_percent_${bucket}.png)
            list(APPEND icons ${path})
        endforeach()
    endforeach()
    qt_add_resources(${target} "norvane_servers_icons" PREFIX "/servers" FILES ${icons})

    set(countries usa germany romania poland lithuania latvia bulgaria estonia czech denmark finland
        italy switzerland netherlands luxembourg belgium uk france ireland spain portugal russia
        seychelles canada hong_kong costa_rica argentina brazil mexico south_africa singapore japan
        australia israel unknown)
    set(flags)
    foreach(country IN LISTS countries)
        set(path ${root}/flags/${country}.png)
        set_source_files_properties(${path} PROPERTIES QT_RESOURCE_ALIAS resources/servers/flags/${country}.png)
        list(APPEND flags ${path})
    endforeach()
    qt_add_resources(${target} "norvane_servers_flags" PREFIX "/flags" FILES ${flags})
endfunction()

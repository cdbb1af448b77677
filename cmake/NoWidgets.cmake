# corvantis_refuse_widgets(<target>...): stops the configuration when any of
# the targets reaches Qt Widgets or Qt PrintSupport through its link
# libraries, naming the chain that does. The data layer, the script engine,
# the late-bound objects, the report model, the core and the engine
# (translation, communications, integration, report commands) must run where
# no window can (jobs, tools, an embedding project, their tests), so the
# build itself keeps widgets out of them. Runs once every target is defined.

set(CORVANTIS_WIDGET_LIBRARIES Qt6::Widgets Qt6::PrintSupport Qt::Widgets Qt::PrintSupport)

function(_corvantis_link_entries target out)
  set(entries)
  foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
    get_target_property(values ${target} ${property})
    if(values)
      foreach(value ${values})
        # A private dependency of a static library reaches its users as $<LINK_ONLY:x>.
        string(REGEX REPLACE "^\\$<LINK_ONLY:(.+)>$" "\\1" value "${value}")
        if(value MATCHES "^\\$<" OR value MATCHES "^::@")
          continue()
        endif()
        list(APPEND entries ${value})
      endforeach()
    endif()
  endforeach()
  list(REMOVE_DUPLICATES entries)
  set(${out} ${entries} PARENT_SCOPE)
endfunction()

# Sets <out> to the chain "a -> b -> Qt6::Widgets", or empty when none.
function(_corvantis_widget_chain target chain visitedVar out)
  set(visited ${${visitedVar}})
  list(APPEND visited ${target})
  set(${visitedVar} ${visited} PARENT_SCOPE)
  _corvantis_link_entries(${target} entries)
  foreach(entry ${entries})
    if(entry IN_LIST CORVANTIS_WIDGET_LIBRARIES)
      set(${out} "${chain} -> ${entry}" PARENT_SCOPE)
      return()
    endif()
    if(TARGET ${entry} AND NOT entry IN_LIST visited)
      get_target_property(imported ${entry} IMPORTED)
      if(imported)
        continue()
      endif()
      _corvantis_widget_chain(${entry} "${chain} -> ${entry}" visited found)
      if(found)
        set(${visitedVar} ${visited} PARENT_SCOPE)
        set(${out} "${found}" PARENT_SCOPE)
        return()
      endif()
    endif()
  endforeach()
  set(${visitedVar} ${visited} PARENT_SCOPE)
  set(${out} "" PARENT_SCOPE)
endfunction()

function(corvantis_refuse_widgets)
  foreach(target ${ARGN})
    if(NOT TARGET ${target})
      continue()
    endif()
    set(visited)
    _corvantis_widget_chain(${target} "${target}" visited chain)
    if(chain)
      message(FATAL_ERROR "${target} must not depend on widgets, but links ${chain}")
    endif()
  endforeach()
endfunction()

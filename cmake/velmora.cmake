# Shared compile settings for every target of the project.
function(velmora_target_defaults target)
    target_compile_features(${target} PUBLIC cxx_std_20)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wformat=2)
    if(WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# A static library of the Qt-free core: one per folder, built from the folder's .cpp files.
function(velmora_core_library name)
    cmake_parse_arguments(ARG "" "" "PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(sources)
        add_library(${name} STATIC ${sources})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
        velmora_target_defaults(${name})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${ARG_PUBLIC_LIBS})
    endif()
endfunction()

if(SANITIZE)
    add_compile_options(-fsanitize=${SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${SANITIZE})
endif()

# The fuzz targets need coverage feedback from the whole core, not only from their own file.
if(BUILD_FUZZERS)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# BRISCA_SANITIZE applies to every target of the tree, so the library, the
# tools and the tests share one instrumented runtime.
if(BRISCA_SANITIZE)
  add_compile_options(-fsanitize=${BRISCA_SANITIZE} -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=${BRISCA_SANITIZE})
  if(BRISCA_SANITIZE MATCHES "undefined")
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
endif()

window.appLoaded = (window.appLoaded || 0) + 1;
